// Skin faces split into triangles, and the hierarchy over them.
#include "geometry/skin_triangles.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace qvr::geom {

void orderQuadNodes(const Cnode* nodes, int* l) {
    constexpr int kPairs[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    double longest = 0.0;  // coincident nodes never form the split pair
    int keep = -1;
    for (int p = 0; p < 6; ++p) {
        const Cnode& a = nodes[l[kPairs[p][0]]];
        const Cnode& b = nodes[l[kPairs[p][1]]];
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                   (a.z - b.z) * (a.z - b.z));
        if (d > longest) {  // the first of equally long pairs stays
            longest = d;
            keep = p;
        }
    }
    if (keep < 0) return;

    const int i = kPairs[keep][0], j = kPairs[keep][1];
    int reordered[5] = {0, l[i], l[j], 0, 0};
    int next = 3;
    for (int k = 1; k <= 4; ++k) {
        if (k != i && k != j) reordered[next++] = l[k];
    }
    for (int k = 1; k <= 4; ++k) l[k] = reordered[k];
}

void buildSkinHierarchy(const CFaceElem* faces, int faceCount, const Cnode* nodes, int nodeCount,
                        TriangleBvh& bvh) {
    std::vector<TriangleBvh::Facet> facets;
    if (faces == nullptr || nodes == nullptr || faceCount < 1 || nodeCount < 1) {
        bvh.build(nullptr, 0, std::move(facets));
        return;
    }
    // The corners are the mesh's node numbers: the hierarchy reads the node table in place.
    for (int f = 1; f <= faceCount; ++f) {
        const CFaceElem& face = faces[f];
        if ((face.nNode != 3 && face.nNode != 4) || face.pNode == nullptr) continue;
        int l[5] = {0, 0, 0, 0, 0};
        bool valid = true;
        for (int k = 1; k <= face.nNode; ++k) {
            l[k] = face.pNode[k];
            valid = valid && l[k] >= 1 && l[k] <= nodeCount;
        }
        if (!valid) continue;
        if (face.nNode == 4) orderQuadNodes(nodes, l);
        auto corner = [&](int k) { return static_cast<std::uint32_t>(l[k]); };
        // A quadrilateral: the triangles (l1, l2, l3) and (l1, l2, l4).
        facets.push_back({{corner(1), corner(2), corner(3),
                           face.nNode == 4 ? corner(4) : TriangleBvh::kNoCorner},
                          f});
    }
    bvh.build(nodes, static_cast<std::size_t>(nodeCount) + 1, std::move(facets));
}

}  // namespace qvr::geom
