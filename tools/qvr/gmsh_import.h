// Gmsh mesh files (MSH 2.2 and 4.1, text and binary) to the mesh format.
//
// The linear solids (tetrahedra, pyramids, prisms, hexahedra) are kept; points, lines,
// triangles and quadrangles are ignored; any other 3-D element is refused. Gmsh's node orders
// of the four linear solids are the mesh format's; cells that still come out negatively
// oriented are turned around. Node tags may be sparse: the nodes the cells use are numbered
// 1..N in file order. The skin (faces of exactly one cell, oriented outward) and the cell
// volumes are derived from the geometry.
#ifndef QVR_CLI_GMSH_IMPORT_H
#define QVR_CLI_GMSH_IMPORT_H

#include <string>
#include <string_view>
#include <vector>

#include "NQBIO_Manipulator.h"

namespace qvr::cli {

struct GmshImportReport {
    std::string version;  // "2.2", "4.1", ...
    bool binary = false;
    long long nodesInFile = 0;
    long long nodesKept = 0;  // used by a kept cell
    long long tets = 0, pyramids = 0, prisms = 0, hexes = 0;
    long long ignoredElements = 0;  // lower-dimensional elements
    long long reorientedCells = 0;
    long long flatCells = 0;  // zero signed volume
    long long skinFaces = 0;
    std::vector<long long> cellTags;  // per cell of the mesh, in order: its Gmsh element tag
};

// Parses a whole file held in memory. False with a one-line reason (position included).
bool importGmshData(std::string_view data, const std::string& unit, nqbio::MeshData& mesh,
                    GmshImportReport& report, std::string& error);

// Reads the file in one block and imports it. False with "<path>: <reason>".
bool importGmshFile(const std::string& path, const std::string& unit, nqbio::MeshData& mesh,
                    GmshImportReport& report, std::string& error);

// ----------------------------------------------------------------------------------------------
// Signed volume of a linear solid cell in the mesh format's node order, and the node swap that
// turns a negatively oriented cell around.

// Sum of the signed volumes of a fixed split into tetrahedra (exact for planar faces); positive
// for a positively oriented cell. 0 for node counts other than 4, 5, 6, 8.
double signedCellVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell);

// Mirrors the node order (tetrahedron: swaps 2 and 3; pyramid: reverses the base; prism and
// hexahedron: reverses both end faces), which negates the signed volume.
void reverseCellOrientation(nqbio::PartElement& cell);

}  // namespace qvr::cli

#endif
