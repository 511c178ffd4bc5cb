// Split of a quadrilateral skin face into two triangles along its longest node pair.
#include <cmath>

#include "extract/CExtractToolData.h"

int CExtractToolData::OrderQuadNodes(int face, int* nodes) {
    if (nodes == nullptr || m_pSurface == nullptr || face < 1 || face > m_nSurface) return -1;
    if (m_pSurface[face].nNode != 4) return 1;  // only quadrilaterals are split

    constexpr int kPairs[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    double longest = 0.0;  // coincident nodes never form the split pair
    int keep = -1;
    for (int p = 0; p < 6; ++p) {
        const Cnode& a = m_pNode[nodes[kPairs[p][0]]];
        const Cnode& b = m_pNode[nodes[kPairs[p][1]]];
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                   (a.z - b.z) * (a.z - b.z));
        if (d > longest) {  // the first of equally long pairs stays
            longest = d;
            keep = p;
        }
    }
    if (keep < 0) return 1;

    const int i = kPairs[keep][0], j = kPairs[keep][1];
    int reordered[5] = {0, nodes[i], nodes[j], 0, 0};
    int next = 3;
    for (int k = 1; k <= 4; ++k) {
        if (k != i && k != j) reordered[next++] = nodes[k];
    }
    for (int k = 1; k <= 4; ++k) nodes[k] = reordered[k];
    return 1;
}
