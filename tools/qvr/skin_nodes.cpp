#include "skin_nodes.h"

#include <charconv>
#include <unordered_map>
#include <unordered_set>

#include "QVROptKer.h"
#include "cli_error.h"
#include "whole_file.h"

namespace qvr::cli {

std::vector<SkinNode> findSkinNodes(CQVROptKer& kernel) {
    const int n = kernel.m_nNode;
    std::vector<char> onSkin(static_cast<std::size_t>(n) + 1, 0);
    for (int f = 1; f <= kernel.m_nSurface; ++f) {
        const CFaceElem& face = kernel.m_pSurface[f];
        for (int k = 1; k <= face.nNode; ++k)
            if (face.pNode[k] >= 1 && face.pNode[k] <= n) onSkin[static_cast<std::size_t>(face.pNode[k])] = 1;
    }
    std::vector<double> nx(static_cast<std::size_t>(n) + 1, 0.0);
    std::vector<double> ny(nx), nz(nx);
    kernel.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    std::vector<SkinNode> nodes;
    for (int i = 1; i <= n; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (!onSkin[k]) continue;
        const Cnode& node = kernel.m_pNode[i];
        nodes.push_back({i, node.orgID, node.x, node.y, node.z, -nx[k], -ny[k], -nz[k]});
    }
    return nodes;
}

std::vector<SkinNode> selectSkinNodes(const std::vector<SkinNode>& skin,
                                      const std::vector<long long>& fileNumbers,
                                      long long nodesInFile, const std::string& source) {
    std::unordered_map<long long, std::size_t> byFileNumber;
    for (std::size_t i = 0; i < skin.size(); ++i) byFileNumber.emplace(skin[i].fileNode, i);
    std::unordered_set<long long> taken;
    std::vector<SkinNode> chosen;
    for (long long number : fileNumbers) {
        if (!taken.insert(number).second) continue;
        const auto it = byFileNumber.find(number);
        if (it == byFileNumber.end()) {
            if (number < 1 || number > nodesInFile)
                failUsage(source + ": node " + std::to_string(number) + " is not in the mesh (1.." +
                          std::to_string(nodesInFile) + ")");
            failUsage(source + ": node " + std::to_string(number) + " is not a skin node");
        }
        chosen.push_back(skin[it->second]);
    }
    if (chosen.empty()) failUsage(source + ": lists no node");
    return chosen;
}

std::vector<long long> readNodeList(const std::string& path) {
    std::string data, why;
    if (!readWholeFile(path, data, why)) failFile(path + ": " + why);
    std::vector<long long> numbers;
    std::size_t pos = 0;
    int line = 1;
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == '\n') {
            ++line;
            ++pos;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ';') {
            ++pos;
        } else if (c == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
        } else {
            long long value = 0;
            const char* first = data.data() + pos;
            const char* last = data.data() + data.size();
            const auto [ptr, ec] = std::from_chars(first, last, value);
            const bool ends = ptr == last || *ptr == ' ' || *ptr == '\t' || *ptr == '\r' ||
                              *ptr == '\n' || *ptr == ',' || *ptr == ';' || *ptr == '#';
            if (ec != std::errc() || !ends)
                failFile(path + ":" + std::to_string(line) + ": expected a node number");
            numbers.push_back(value);
            pos = static_cast<std::size_t>(ptr - data.data());
        }
    }
    return numbers;
}

SkinSurface copySkin(const CQVROptKer& kernel) {
    SkinSurface skin;
    skin.xyz.reserve(3 * static_cast<std::size_t>(kernel.m_nNode));
    skin.fileNode.reserve(static_cast<std::size_t>(kernel.m_nNode));
    for (int i = 1; i <= kernel.m_nNode; ++i) {
        const Cnode& node = kernel.m_pNode[i];
        skin.xyz.insert(skin.xyz.end(), {node.x, node.y, node.z});
        skin.fileNode.push_back(node.orgID);
    }
    for (int f = 1; f <= kernel.m_nSurface; ++f) {
        const CFaceElem& face = kernel.m_pSurface[f];
        if (face.nNode != 3 && face.nNode != 4) continue;
        std::array<int, 4> corners{};
        for (int k = 1; k <= face.nNode; ++k) corners[static_cast<std::size_t>(k - 1)] = face.pNode[k];
        skin.faces.push_back(corners);
        skin.corners.push_back(face.nNode);
    }
    return skin;
}

}  // namespace qvr::cli
