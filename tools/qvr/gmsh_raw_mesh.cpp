#include "gmsh_raw_mesh.h"

#include <string>

#include "gmsh_element_types.h"

namespace qvr::cli {

void acceptGmshElement(GmshRawMesh& mesh, int type, int dim, const long long* nodeTags,
                       const MshCursor& at) {
    if (type == kGmshTet4 || type == kGmshPyramid5 || type == kGmshPrism6 ||
        type == kGmshHex8) {
        GmshRawCell cell;
        cell.type = type;
        const int n = findGmshElementType(type)->nodes;
        for (int k = 0; k < n; ++k) cell.tags[static_cast<std::size_t>(k)] = nodeTags[k];
        mesh.cells.push_back(cell);
        return;
    }
    const GmshElementType* known = findGmshElementType(type);
    const int elementDim = dim >= 0 ? dim : (known ? known->dim : -1);
    if (elementDim >= 0 && elementDim < 3) {
        ++mesh.ignoredElements;
        return;
    }
    const std::string name = known ? std::string(" (") + known->name + ")" : std::string();
    at.fail("element type " + std::to_string(type) + name +
            " is not supported: only linear tetrahedra, pyramids, prisms and hexahedra can be"
            " imported (mesh with element order 1)");
}

void expectLine(MshCursor& c, const char* text) {
    const std::string_view got = c.nonBlankLine();
    if (got != text) c.fail(std::string("expected ") + text);
}

}  // namespace qvr::cli
