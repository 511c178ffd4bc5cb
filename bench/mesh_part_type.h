// The type field of the parts read from Gmsh meshes, shared by the suite, which names them
// "cad/<name>", and the report, which lays them out: their size field is the part's name, not
// a cell count, so they form no size series.
#ifndef QVR_BENCH_MESH_PART_TYPE_H
#define QVR_BENCH_MESH_PART_TYPE_H

namespace qvr::bench {

constexpr const char* kMeshPartType = "cad";

}  // namespace qvr::bench

#endif
