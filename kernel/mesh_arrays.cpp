#include "kernel/mesh_arrays.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "MeshDerivation.h"
#include "kernel/length_unit.h"

namespace qvr {

namespace {

// Tables are indexed by int with entry 0 unused, so a count may reach INT_MAX - 1.
constexpr std::int64_t kMaxItems = 2147483646;
// The mesh file's unit field holds at most this many characters.
constexpr std::size_t kMaxUnitLength = 43;
constexpr const char* kDefaultUnit = "mm";

bool fail(ArrayFault& fault, int status, std::string text) {
    fault.status = status;
    fault.text = std::move(text);
    return false;
}

bool isCellNodeCount(int n) { return n == 4 || n == 5 || n == 6 || n == 8; }
bool isFaceNodeCount(int n) { return n == 3 || n == 4; }

// Shape checks shared by cells and faces: counts, null arrays and the sum of items.
bool checkBlocks(const char* what, int blockCount, const QVRIndexBlock* blocks,
                 bool (*nodeCountOk)(int), const char* expected, std::int64_t& items,
                 ArrayFault& fault) {
    items = 0;
    if (blockCount < 0 || (blockCount > 0 && blocks == nullptr)) {
        return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT,
                    std::string(what) + " blocks: a negative count or a null block array");
    }
    for (int b = 0; b < blockCount; ++b) {
        const QVRIndexBlock& block = blocks[b];
        const std::string name = std::string(what) + " block " + std::to_string(b);
        if (block.count < 0) {
            return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT, name + ": negative item count");
        }
        if (!nodeCountOk(block.nodesPerItem)) {
            return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT,
                        name + ": " + std::to_string(block.nodesPerItem) +
                            " nodes per item, expected " + expected);
        }
        if (block.count > 0 && block.nodes == nullptr) {
            return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT, name + ": null node array");
        }
        items += block.count;
        if (items > kMaxItems) {
            return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT,
                        std::string("more than ") + std::to_string(kMaxItems) + " " + what + "s");
        }
    }
    return true;
}

bool checkNodes(const MeshArrays& a, nqbio::MeshData& content, ArrayFault& fault) {
    if (a.nodeCount < 1 || a.xyz == nullptr || a.nodeCount > kMaxItems) {
        return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT,
                    "no nodes: the node count must be positive and the coordinates non-null");
    }
    const auto values = static_cast<std::size_t>(a.nodeCount) * 3;
    content.xyz.resize(values);
    for (std::size_t i = 0; i < values; ++i) {
        const double v = a.xyz[i];
        if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
            return fail(fault, QVR_ARRAYS_NOT_FINITE,
                        "node " + std::to_string(i / 3) + ": coordinate " + std::to_string(i % 3) +
                            " is not a finite single-precision number");
        }
        content.xyz[i] = static_cast<float>(v);
    }
    return true;
}

std::string cellName(std::size_t cell, int block, int entry) {
    return "cell " + std::to_string(cell) + " (block " + std::to_string(block) + ", entry " +
           std::to_string(entry) + ")";
}

bool checkCells(const MeshArrays& a, nqbio::MeshData& content, ArrayFault& fault) {
    std::int64_t cellCount = 0;
    if (!checkBlocks("cell", a.cellBlockCount, a.cellBlocks, isCellNodeCount, "4, 5, 6 or 8",
                     cellCount, fault)) {
        return false;
    }
    if (cellCount == 0) return fail(fault, QVR_ARRAYS_INVALID_ARGUMENT, "no cells");
    content.parts.resize(static_cast<std::size_t>(cellCount));
    std::size_t next = 0;
    for (int b = 0; b < a.cellBlockCount; ++b) {
        const QVRIndexBlock& block = a.cellBlocks[b];
        for (int c = 0; c < block.count; ++c, ++next) {
            nqbio::PartElement& part = content.parts[next];
            part.nNode = block.nodesPerItem;
            const int* nodes = block.nodes + static_cast<std::size_t>(c) * block.nodesPerItem;
            for (int k = 0; k < part.nNode; ++k) {
                if (nodes[k] < 0 || nodes[k] >= a.nodeCount) {
                    return fail(fault, QVR_ARRAYS_NODE_OUT_OF_RANGE,
                                cellName(next, b, c) + ": node " + std::to_string(nodes[k]) +
                                    " is outside 0.." + std::to_string(a.nodeCount - 1));
                }
                for (int j = 0; j < k; ++j) {
                    if (nodes[j] == nodes[k]) {
                        return fail(fault, QVR_ARRAYS_BAD_CELL,
                                    cellName(next, b, c) + " names node " +
                                        std::to_string(nodes[k]) + " twice");
                    }
                }
                part.node[k] = nodes[k] + 1;
            }
        }
    }
    meshgeom::computeVolumes(content);
    next = 0;
    for (int b = 0; b < a.cellBlockCount; ++b) {
        for (int c = 0; c < a.cellBlocks[b].count; ++c, ++next) {
            const float volume = content.parts[next].volume;
            if (volume > 0.0f) continue;
            return fail(fault, QVR_ARRAYS_BAD_CELL,
                        cellName(next, b, c) +
                            (volume < 0.0f ? " is inverted (negative volume): its node order "
                                             "does not follow the mesh file's orientation"
                                           : " has no volume (flat, or too large to store)"));
        }
    }
    return true;
}

bool checkFaces(const MeshArrays& a, nqbio::MeshData& content, ArrayFault& fault) {
    if (a.faceBlocks == nullptr && a.faceBlockCount == 0) {
        meshgeom::deriveSkin(content);
        return true;
    }
    std::int64_t faceCount = 0;
    if (!checkBlocks("face", a.faceBlockCount, a.faceBlocks, isFaceNodeCount, "3 or 4", faceCount,
                     fault)) {
        return false;
    }
    content.surfaces.resize(static_cast<std::size_t>(faceCount));
    std::size_t next = 0;
    for (int b = 0; b < a.faceBlockCount; ++b) {
        const QVRIndexBlock& block = a.faceBlocks[b];
        for (int f = 0; f < block.count; ++f, ++next) {
            const std::string name = "face " + std::to_string(next) + " (block " +
                                     std::to_string(b) + ", entry " + std::to_string(f) + ")";
            const int* nodes = block.nodes + static_cast<std::size_t>(f) * block.nodesPerItem;
            int distinct = 0;
            for (int k = 0; k < block.nodesPerItem; ++k) {
                if (nodes[k] < 0 || nodes[k] >= a.nodeCount) {
                    return fail(fault, QVR_ARRAYS_NODE_OUT_OF_RANGE,
                                name + ": node " + std::to_string(nodes[k]) + " is outside 0.." +
                                    std::to_string(a.nodeCount - 1));
                }
                distinct += std::find(nodes, nodes + k, nodes[k]) == nodes + k ? 1 : 0;
            }
            if (distinct < 3) {
                return fail(fault, QVR_ARRAYS_BAD_CELL,
                            name + " has fewer than three distinct corners");
            }
            // As in the mesh file: a triangle repeats its last corner.
            nqbio::SurfaceElement& face = content.surfaces[next];
            for (int k = 0; k < 4; ++k)
                face.node[k] = nodes[std::min(k, block.nodesPerItem - 1)] + 1;
        }
    }
    return true;
}

}  // namespace

bool buildMeshContent(const MeshArrays& arrays, nqbio::MeshData& content, ArrayFault& fault) {
    content = nqbio::MeshData();
    content.unit = arrays.unit != nullptr ? arrays.unit : kDefaultUnit;
    bool recognised = false;
    unitFactorOf(content.unit, recognised);
    if (!recognised || content.unit.size() > kMaxUnitLength ||
        content.unit.find('\n') != std::string::npos) {
        return fail(fault, QVR_ARRAYS_UNKNOWN_UNIT,
                    "unit \"" + content.unit.substr(0, kMaxUnitLength) +
                        "\" is not one of mm, cm, inch, um");
    }
    return checkNodes(arrays, content, fault) && checkCells(arrays, content, fault) &&
           checkFaces(arrays, content, fault);
}

}  // namespace qvr
