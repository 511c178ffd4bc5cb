// Counts of a mesh as the kernel loads it: cells per type, nodes and skin faces.
#ifndef QVR_CLI_MESH_SUMMARY_H
#define QVR_CLI_MESH_SUMMARY_H

#include <string>

class CQVROptKer;

namespace qvr::cli {

struct MeshSummary {
    long long nodesInFile = 0, nodes = 0;   // nodes kept: those solid cells use
    long long tets = 0, pyramids = 0, prisms = 0, hexes = 0, otherCells = 0;
    long long skinFaces = 0;                // retained (kind 1, code not 13)
    double totalVolume = 0.0;               // mm^3
    long long cells() const { return tets + pyramids + prisms + hexes + otherCells; }
};

MeshSummary summarizeKernel(const CQVROptKer& kernel);

// "hex 1200, prism 300, tet 2400, pyramid 60" (types with no cells left out; "none" if empty).
std::string cellCountText(const MeshSummary& summary);

}  // namespace qvr::cli

#endif
