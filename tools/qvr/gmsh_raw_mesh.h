// What the Gmsh parsers collect from a file, before node tags are resolved.
#ifndef QVR_CLI_GMSH_RAW_MESH_H
#define QVR_CLI_GMSH_RAW_MESH_H

#include <array>
#include <string>
#include <vector>

#include "msh_cursor.h"

namespace qvr::cli {

struct GmshRawCell {
    int type = 0;                        // kGmshTet4, kGmshPyramid5, kGmshPrism6, kGmshHex8
    std::array<long long, 8> tags{};     // node tags; entries past the type's node count unused
};

struct GmshRawMesh {
    std::string version;                 // as written in $MeshFormat
    bool binary = false;
    std::vector<long long> nodeTags;     // file order
    std::vector<double> xyz;             // 3 per node, same order
    std::vector<GmshRawCell> cells;      // file order
    long long ignoredElements = 0;       // points, lines, triangles, quadrangles
};

// Keeps a linear solid element, counts a lower-dimensional one, refuses any other 3-D type.
// `dim` is the entity dimension when the file states it (MSH 4), -1 otherwise.
void acceptGmshElement(GmshRawMesh& mesh, int type, int dim, const long long* nodeTags,
                       const MshCursor& at);

// Section parsers of the two file versions. The cursor stands just past the "$Nodes" or
// "$Elements" line and is left just past the matching "$End..." line.
struct MshLayout {
    bool binary = false;
    int sizeBytes = 8;                   // MSH 4 binary size_t width
};
void parseNodesV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseElementsV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseNodesV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseElementsV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);

// Reads the next non-blank line and fails unless it is exactly `text`.
void expectLine(MshCursor& c, const char* text);

}  // namespace qvr::cli

#endif
