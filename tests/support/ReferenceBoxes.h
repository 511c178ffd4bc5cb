// Brute-force reference for box queries: element boxes, their single-precision enlargement by
// 0.001 of their own extent, and the "boxes meet" test, written out independently of the tree.
#ifndef QVR_TESTS_REFERENCE_BOXES_H
#define QVR_TESTS_REFERENCE_BOXES_H

#include <algorithm>
#include <array>
#include <vector>

#include "KernelMeshBuilder.h"

namespace qvrtest {

// (xmin, ymin, zmin, xmax, ymax, zmax)
using Box6 = std::array<double, 6>;
using FBox6 = std::array<float, 6>;

// The box as the tree stores it: rounded to float, each minimum lowered by 0.001 of the extent,
// then each maximum raised by 0.001 of the extent measured from the lowered minimum.
inline FBox6 enlargedFloatBox(const Box6& b) {
    FBox6 f;
    for (std::size_t a = 0; a < 3; ++a) {
        const float lo = static_cast<float>(b[a]), hi = static_cast<float>(b[a + 3]);
        f[a] = lo - (hi - lo) * 0.001f;
        f[a + 3] = hi + (hi - f[a]) * 0.001f;
    }
    return f;
}

// Whether an enlarged item box meets the query box (rounded to float); touching counts.
inline bool meets(const FBox6& item, const Box6& query) {
    for (std::size_t a = 0; a < 3; ++a) {
        if (!(item[a] <= static_cast<float>(query[a + 3]))) return false;
        if (!(item[a + 3] >= static_cast<float>(query[a]))) return false;
    }
    return true;
}

// The box of the listed nodes of a built mesh.
inline Box6 boxOf(const KernelMeshBuilder& b, const std::vector<int>& nodes) {
    Box6 box{1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (int n : nodes) {
        const double c[3] = {b.node(n).x, b.node(n).y, b.node(n).z};
        for (std::size_t a = 0; a < 3; ++a) {
            box[a] = std::min(box[a], c[a]);
            box[a + 3] = std::max(box[a + 3], c[a]);
        }
    }
    return box;
}

// Element boxes in the kernel's id order (faces, then cells), enlarged as the tree keeps them.
inline std::vector<FBox6> treeBoxes(const KernelMeshBuilder& b) {
    std::vector<FBox6> boxes;
    for (const auto& f : b.faces()) boxes.push_back(enlargedFloatBox(boxOf(b, f.nodes)));
    for (const auto& c : b.cells()) boxes.push_back(enlargedFloatBox(boxOf(b, c.nodes)));
    return boxes;
}

}  // namespace qvrtest

#endif
