// Gmsh element type numbers: dimension and node count of the types a mesh file may hold.
#ifndef QVR_CLI_GMSH_ELEMENT_TYPES_H
#define QVR_CLI_GMSH_ELEMENT_TYPES_H

namespace qvr::cli {

struct GmshElementType {
    int type;
    int dim;
    int nodes;
    const char* name;
};

// nullptr for a type number this table does not know.
const GmshElementType* findGmshElementType(int type);

// The linear solid types that map onto the mesh format's cells (node orders agree).
constexpr int kGmshTet4 = 4;
constexpr int kGmshHex8 = 5;
constexpr int kGmshPrism6 = 6;
constexpr int kGmshPyramid5 = 7;

}  // namespace qvr::cli

#endif
