#include "mesh_summary.h"

#include "QVROptKer.h"

namespace qvr::cli {

MeshSummary summarizeKernel(const CQVROptKer& kernel) {
    MeshSummary s;
    s.nodesInFile = kernel.m_nNodeInFile;
    s.nodes = kernel.m_nNode;
    s.skinFaces = kernel.m_nSurface;
    s.totalVolume = kernel.TotalVolume;
    for (int i = 1; i <= kernel.m_nInnerCell; ++i) {
        switch (kernel.p_Cell[i].nNode) {
            case 4: ++s.tets; break;
            case 5: ++s.pyramids; break;
            case 6: ++s.prisms; break;
            case 8: ++s.hexes; break;
            default: ++s.otherCells; break;
        }
    }
    return s;
}

std::string cellCountText(const MeshSummary& s) {
    std::string text;
    const auto add = [&text](const char* name, long long n) {
        if (n == 0) return;
        if (!text.empty()) text += ", ";
        text += std::string(name) + " " + std::to_string(n);
    };
    add("hex", s.hexes);
    add("prism", s.prisms);
    add("tet", s.tets);
    add("pyramid", s.pyramids);
    add("other", s.otherCells);
    return text.empty() ? "none" : text;
}

}  // namespace qvr::cli
