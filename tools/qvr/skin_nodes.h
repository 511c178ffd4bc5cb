// The skin nodes of a loaded mesh and the inward ray direction at each.
//
// A skin node is a node of a retained skin face. Its ray points into the part: the negated
// area-weighted node normal (CQVROptKer::ComputeNodeSurfaceNormal), since skin faces are
// listed counter-clockwise seen from outside.
#ifndef QVR_CLI_SKIN_NODES_H
#define QVR_CLI_SKIN_NODES_H

#include <string>
#include <vector>

#include "extraction_run.h"

class CQVROptKer;

namespace qvr::cli {

struct SkinNode {
    int kernelNode = 0;                // number in the kernel's node table
    int fileNode = 0;                  // number in the mesh file
    double x = 0, y = 0, z = 0;        // mm
    double ax = 0, ay = 0, az = 0;     // inward direction, not normalised
};

// Every skin node, in ascending node number (file and kernel orders agree).
std::vector<SkinNode> findSkinNodes(CQVROptKer& kernel);

// The skin nodes named by file node numbers, in the order given, duplicates dropped. Throws
// CliError (usage) naming the first number that is not a skin node; `source` names the list.
std::vector<SkinNode> selectSkinNodes(const std::vector<SkinNode>& skin,
                                      const std::vector<long long>& fileNumbers,
                                      long long nodesInFile, const std::string& source);

// Reads whole numbers separated by blanks, commas or line ends; '#' starts a comment. Throws
// CliError (file) when the file cannot be read or holds something else.
std::vector<long long> readNodeList(const std::string& path);

// The kernel's retained skin, copied for the writers.
SkinSurface copySkin(const CQVROptKer& kernel);

}  // namespace qvr::cli

#endif
