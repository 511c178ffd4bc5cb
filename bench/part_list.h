// The parts of a run, from the command line of the suite and the memory probe:
//   --qvr_sizes=10000,100000,1000000   requested cell counts
//   --qvr_types=hex,tet                cell kinds (tet, pyramid, prism, hex, mixed)
//   --qvr_meshes=a.msh,cad/            Gmsh meshes (files, or every .msh of a folder) to run as
//                                      parts too, named "cad/<file name>"; none by default
// An empty --qvr_sizes= leaves the generated parts out.
#ifndef QVR_BENCH_PART_LIST_H
#define QVR_BENCH_PART_LIST_H

#include <string>
#include <vector>

#include "bench_part.h"

namespace qvr::bench {

// Takes the flags out of argv (defaults where absent) and lists the generated parts size by size,
// then the mesh parts in the order given. Every mesh is read here, for its cell count and so that
// a file the parts cannot be made from is refused before anything runs. False with a message in
// `error` for a bad size, cell kind or mesh.
bool takePartList(int& argc, char** argv, std::vector<PartKey>& parts, std::string& error);

}  // namespace qvr::bench

#endif
