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
    const float m = 0.001f;
    const float x0 = static_cast<float>(b[0]), y0 = static_cast<float>(b[1]),
                z0 = static_cast<float>(b[2]);
    const float x1 = static_cast<float>(b[3]), y1 = static_cast<float>(b[4]),
                z1 = static_cast<float>(b[5]);
    const float lx = x0 - (x1 - x0) * m;
    const float ly = y0 - (y1 - y0) * m;
    const float lz = z0 - (z1 - z0) * m;
    return {lx, ly, lz, x1 + (x1 - lx) * m, y1 + (y1 - ly) * m, z1 + (z1 - lz) * m};
}

// Whether an enlarged item box meets the query box (rounded to float); touching counts.
inline bool meets(const FBox6& item, const Box6& query) {
    for (int k = 0; k < 3; ++k) {
        const float qmin = static_cast<float>(query[static_cast<std::size_t>(k)]);
        const float qmax = static_cast<float>(query[static_cast<std::size_t>(k + 3)]);
        if (!(item[static_cast<std::size_t>(k)] <= qmax)) return false;
        if (!(item[static_cast<std::size_t>(k + 3)] >= qmin)) return false;
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
