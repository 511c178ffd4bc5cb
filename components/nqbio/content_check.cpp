#include "content_check.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "nqb_layout.h"

namespace nqbio {

namespace {

constexpr std::size_t kMaxCount = static_cast<std::size_t>(std::numeric_limits<int>::max());

bool fail(std::string& reason, std::string what) {
    reason = std::move(what);
    return false;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool unitStorable(const std::string& unit, Encoding encoding, std::string& reason) {
    if (unit.size() > layout::kMaxUnitLength) {
        return fail(reason, "unit text is " + std::to_string(unit.size()) +
                                " characters long; at most " +
                                std::to_string(layout::kMaxUnitLength) + " can be stored");
    }
    if (unit.find('\0') != std::string::npos) return fail(reason, "unit text contains a NUL byte");
    if (encoding == Encoding::Binary) return true;
    // The text encoding keeps the unit on one line, ends it at a comment and trims it.
    if (unit.find_first_of("\r\n#") != std::string::npos) {
        return fail(reason,
                    "unit text contains a line end or '#', which the text encoding "
                    "cannot hold");
    }
    if (!unit.empty() && (isBlank(unit.front()) || isBlank(unit.back()))) {
        return fail(reason,
                    "unit text begins or ends with a blank, which the text encoding "
                    "trims");
    }
    return true;
}

bool nodeInRange(int n, std::size_t nodeCount) {
    return n >= 1 && static_cast<std::size_t>(n) <= nodeCount;
}

}  // namespace

bool checkStorable(const MeshData& mesh, Encoding encoding, std::string& reason) {
    if (!unitStorable(mesh.unit, encoding, reason)) return false;
    if (mesh.xyz.size() % 3 != 0) {
        return fail(reason, "the coordinate list does not hold three values per node");
    }
    const std::size_t nodeCount = mesh.xyz.size() / 3;
    if (nodeCount > kMaxCount || mesh.parts.size() > kMaxCount ||
        mesh.surfaces.size() > kMaxCount) {
        return fail(reason, "more entries than a 32-bit count can hold");
    }
    for (std::size_t i = 0; i < mesh.xyz.size(); ++i) {
        if (!std::isfinite(mesh.xyz[i])) {
            return fail(reason,
                        "node " + std::to_string(i / 3 + 1) + " has a non-finite coordinate");
        }
    }
    for (std::size_t k = 0; k < mesh.parts.size(); ++k) {
        const PartElement& e = mesh.parts[k];
        const auto label = [k] { return "part element " + std::to_string(k + 1) + ": "; };
        if (e.nNode < 1 || e.nNode > layout::kMaxPartNodes) {
            return fail(reason, label() + "node count " + std::to_string(e.nNode) +
                                    " is outside 1.." + std::to_string(layout::kMaxPartNodes));
        }
        for (int j = 0; j < e.nNode; ++j) {
            if (!nodeInRange(e.node[j], nodeCount)) {
                return fail(reason, label() + "node number " + std::to_string(e.node[j]) +
                                        " is outside 1.." + std::to_string(nodeCount));
            }
        }
        if (!std::isfinite(e.volume)) return fail(reason, label() + "volume is not finite");
    }
    for (std::size_t k = 0; k < mesh.surfaces.size(); ++k) {
        const SurfaceElement& s = mesh.surfaces[k];
        for (int n : s.node) {
            if (!nodeInRange(n, nodeCount)) {
                return fail(reason, "surface element " + std::to_string(k + 1) + ": node number " +
                                        std::to_string(n) + " is outside 1.." +
                                        std::to_string(nodeCount));
            }
        }
    }
    return true;
}

}  // namespace nqbio
