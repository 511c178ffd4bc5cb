// Per-cell fibre-orientation tensors from other programs, turned into our result file.
//
// Sources (by file extension):
//   .csv  a row per cell: the key, then a11 a22 a33 a12 a23 a13. An optional header row names
//         the columns (key: cell, id, tag or element; components a11..a13 in any order);
//         without it the seven columns are in that order. '#' starts a comment.
//   .vtu  VTK XML unstructured grid, cell data of the solid cells (tetrahedra, pyramids,
//         prisms, hexahedra; faces and lines are skipped): six scalar arrays a11..a13, or one
//         array of six components (VTK's symmetric tensor order XX YY ZZ XY YZ XZ) or nine (a
//         full tensor). Keyed by a cell array named cell, id, tag or element_tag when present,
//         else by position. ASCII, inline binary and appended data (raw or base64), zlib
//         compressed or not, header UInt32 or UInt64.
//   .npy  an array of N x 6 (keyed by position) or N x 7 (the key first).
//   .npz  an array named tensors (N x 6), or the archive's only array (N x 6 or N x 7), with
//         an optional key array named ids, cells or tags.
// Components in the order a11 a22 a33 a12 a23 a13 throughout (XX YY ZZ XY YZ XZ).
//
// Keys are the mesh's cell numbers (1..N, the order of the cells in the mesh file) or, with a
// tag map, the Gmsh element tags of the mesh `qvr import` made (see docs/numbering.md).
// Rows keyed by position are cell 1, 2, ... in order.
#ifndef QVR_CLI_TENSOR_IMPORT_H
#define QVR_CLI_TENSOR_IMPORT_H

#include <array>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"

namespace qvr::cli {

struct CellTensors {
    bool keyed = false;  // keys hold the file's keys; else by position
    std::vector<long long> keys;
    std::vector<std::array<double, 6>> values;  // a11 a22 a33 a12 a23 a13
};

// Reads the file by its extension. Throws CliError (file) with "<path>: <reason>".
CellTensors readCellTensors(const std::string& path);

// Parsers of file images, for the tests. False with a one-line reason.
bool parseTensorCsv(const std::string& text, CellTensors& out, std::string& error);
bool parseTensorVtu(const std::string& data, CellTensors& out, std::string& error);
bool parseTensorNpz(const std::string& data, CellTensors& out, std::string& error);
bool parseTensorNpy(const std::string& data, CellTensors& out, std::string& error);

// Every DataArray of a VTU image decoded, by "<parent element>/<Name>" (e.g. "PointData/wall",
// "Cells/types", "FieldData/mesh"), in any of the encodings above. False with a reason.
bool readVtuArrays(const std::string& data, std::map<std::string, std::vector<double>>& arrays,
                   std::string& error);

// The tag map `qvr import` writes beside its mesh: MESH with the extension .tags.csv, a header
// "cell,gmsh_element_tag", then one row per cell.
std::string tagMapPathFor(const std::string& meshPath);
void writeTagMap(const std::string& path, const std::vector<long long>& cellTags);
// Reads a tag map: Gmsh tag -> cell number.
std::unordered_map<long long, long long> readTagMap(const std::string& path);

// The result file of a mesh of `cells` cells and `nodes` nodes, the tensors placed by their keys
// (cell numbers, or Gmsh tags through `tagMap` when it is not null). Throws CliError (file) with
// one line naming `source` when the tensors do not fit the mesh: a wrong count, a key that names no
// cell, a cell given twice or a cell left without a tensor.
k7t::ResultFile tensorsToResult(const CellTensors& tensors, long long cells, long long nodes,
                                const std::unordered_map<long long, long long>* tagMap,
                                const std::string& source);

}  // namespace qvr::cli

#endif
