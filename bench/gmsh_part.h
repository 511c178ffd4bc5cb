// Parts read from Gmsh meshes (the CAD-like parts of bench/cad, which bench/run.sh meshes into
// tetrahedra), listed with --qvr_meshes and written into the same three files as a generated
// part.
#ifndef QVR_BENCH_GMSH_PART_H
#define QVR_BENCH_GMSH_PART_H

#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"

namespace qvr::bench {

struct PartKey;

// The mesh as `qvr import` makes it (millimetres, every linear solid kept) and the fibre result
// `qvr import --fiber` writes for it (the skin-shell-core field through the part's z extent).
// False with the importer's reason, or when the file holds no solid cell.
bool readGmshPart(const std::string& path, nqbio::MeshData& mesh, k7t::ResultFile& results,
                  std::string& error);

// The key of the part a mesh file holds, named after the file without its folder and
// extension, with the file's cell count. Reads the whole file: false with the reason when the
// part cannot be made from it.
bool gmshPartKey(const std::string& path, PartKey& key, std::string& error);

// The mesh files an entry of --qvr_meshes names: a .msh file itself, or the .msh files of a
// folder in name order. False with a reason for anything else or an empty folder.
bool meshFilesOf(const std::string& entry, std::vector<std::string>& files, std::string& error);

}  // namespace qvr::bench

#endif
