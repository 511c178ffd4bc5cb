// Binary encoding reader: a 64-byte header and three blocks of fixed-size records.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "little_endian.h"
#include "mesh_parsers.h"
#include "nqb_layout.h"

namespace nqbio {

namespace {

constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kCountsOffset = 8;

class BinaryParser {
public:
    BinaryParser(const unsigned char* data, std::size_t size, MeshData& mesh, ParseFault& fault)
        : data_(data), size_(size), mesh_(mesh), fault_(fault) {}

    bool run() {
        return header() && sizeMatchesCounts() && nodeBlock() && partBlock() && surfaceBlock();
    }

private:
    bool fail(std::uint64_t offset, std::string what) {
        fault_.place = offset;
        fault_.what = std::move(what);
        return false;
    }

    bool header() {
        if (size_ < layout::kHeaderBytes) {
            return fail(size_, "the file ends inside the " +
                                   std::to_string(layout::kHeaderBytes) + "-byte header");
        }
        const std::uint32_t version = le::loadU32(data_ + kVersionOffset);
        if (version != layout::kLayoutVersion) {
            return fail(kVersionOffset, "layout version " + std::to_string(version) +
                                            " is not supported (1 expected)");
        }
        static const char* const kNames[3] = {"node", "part element", "surface element"};
        std::int32_t* const targets[3] = {&nodeCount_, &partCount_, &surfaceCount_};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t at = kCountsOffset + 4 * i;
            *targets[i] = le::loadI32(data_ + at);
            if (*targets[i] < 0) {
                return fail(at, std::string(kNames[i]) + " count " +
                                    std::to_string(*targets[i]) + " is negative");
            }
        }
        return unitField();
    }

    bool unitField() {
        const unsigned char* unit = data_ + layout::kUnitOffset;
        const void* nul = std::memchr(unit, 0, layout::kUnitFieldBytes);
        if (nul == nullptr) {
            return fail(layout::kUnitOffset,
                        "unit text is not NUL-terminated within its " +
                            std::to_string(layout::kUnitFieldBytes) + " bytes");
        }
        const auto length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - unit);
        // The padding must be NULs: anything else means a damaged or misaligned header.
        for (std::size_t i = length; i < layout::kUnitFieldBytes; ++i) {
            if (unit[i] != 0) {
                return fail(layout::kUnitOffset + i, "unit text padding holds a non-NUL byte");
            }
        }
        mesh_.unit.assign(reinterpret_cast<const char*>(unit), length);
        return true;
    }

    bool sizeMatchesCounts() {
        // Counts are at most 2^31 - 1, so the total fits in 64 bits with room to spare.
        nodeStart_ = layout::kHeaderBytes;
        partStart_ = nodeStart_ + layout::kNodeRecordBytes * static_cast<std::uint64_t>(nodeCount_);
        surfaceStart_ =
            partStart_ + layout::kPartRecordBytes * static_cast<std::uint64_t>(partCount_);
        const std::uint64_t expected =
            surfaceStart_ + layout::kSurfaceRecordBytes * static_cast<std::uint64_t>(surfaceCount_);
        const std::string need = "the counts (" + std::to_string(nodeCount_) + " nodes, " +
                                 std::to_string(partCount_) + " part elements, " +
                                 std::to_string(surfaceCount_) + " surface elements) need " +
                                 std::to_string(expected) + " bytes";
        if (size_ < expected) {
            return fail(size_, "the file ends after " + std::to_string(size_) + " bytes; " + need);
        }
        if (size_ > expected) {
            return fail(expected, std::to_string(size_ - expected) +
                                      " bytes follow the last surface element; " + need);
        }
        return true;
    }

    bool nodeBlock() {
        mesh_.xyz.resize(3 * static_cast<std::size_t>(nodeCount_));
        const unsigned char* p = data_ + nodeStart_;
        for (std::size_t i = 0; i < mesh_.xyz.size(); ++i, p += 4) {
            const float v = le::loadF32(p);
            if (!std::isfinite(v)) {
                return fail(static_cast<std::uint64_t>(p - data_),
                            "node " + std::to_string(i / 3 + 1) + ": coordinate " +
                                std::to_string(i % 3 + 1) + " is not finite");
            }
            mesh_.xyz[i] = v;
        }
        return true;
    }

    std::uint64_t offsetOf(const unsigned char* p) const {
        return static_cast<std::uint64_t>(p - data_);
    }

    bool partBlock() {
        mesh_.parts.resize(static_cast<std::size_t>(partCount_));
        const unsigned char* p = data_ + partStart_;
        for (std::int32_t k = 1; k <= partCount_; ++k, p += layout::kPartRecordBytes) {
            PartElement& e = mesh_.parts[static_cast<std::size_t>(k - 1)];
            e.nNode = le::loadI32(p);
            if (e.nNode < 1 || e.nNode > layout::kMaxPartNodes) {
                return fail(offsetOf(p), "part element " + std::to_string(k) + ": node count " +
                                             std::to_string(e.nNode) + " is outside 1.." +
                                             std::to_string(layout::kMaxPartNodes));
            }
            for (int j = 0; j < layout::kMaxPartNodes; ++j) {
                const unsigned char* q = p + 4 + 4 * static_cast<std::size_t>(j);
                const std::int32_t n = le::loadI32(q);
                if (j < e.nNode && (n < 1 || n > nodeCount_)) {
                    return fail(offsetOf(q), "part element " + std::to_string(k) + ": node number " +
                                                 std::to_string(n) + " is outside 1.." +
                                                 std::to_string(nodeCount_));
                }
                // Unused slots are written as 0; anything else means a damaged record.
                if (j >= e.nNode && n != 0) {
                    return fail(offsetOf(q), "part element " + std::to_string(k) + ": unused node slot " +
                                                 std::to_string(j + 1) + " holds " +
                                                 std::to_string(n) + " (0 expected)");
                }
                e.node[j] = (j < e.nNode) ? n : 0;
            }
            e.attrWord = le::loadU32(p + 36);
            e.attrCode = le::loadI32(p + 40);
            e.volume = le::loadF32(p + 44);
            if (!std::isfinite(e.volume)) {
                return fail(offsetOf(p + 44),
                            "part element " + std::to_string(k) + ": volume is not finite");
            }
        }
        return true;
    }

    bool surfaceBlock() {
        mesh_.surfaces.resize(static_cast<std::size_t>(surfaceCount_));
        const unsigned char* p = data_ + surfaceStart_;
        for (std::int32_t k = 1; k <= surfaceCount_; ++k, p += layout::kSurfaceRecordBytes) {
            SurfaceElement& s = mesh_.surfaces[static_cast<std::size_t>(k - 1)];
            for (int j = 0; j < layout::kSurfaceCorners; ++j) {
                const unsigned char* q = p + 4 * static_cast<std::size_t>(j);
                s.node[j] = le::loadI32(q);
                if (s.node[j] < 1 || s.node[j] > nodeCount_) {
                    return fail(offsetOf(q), "surface element " + std::to_string(k) +
                                                 ": node number " + std::to_string(s.node[j]) +
                                                 " is outside 1.." + std::to_string(nodeCount_));
                }
            }
            s.kind = le::loadI32(p + 16);
            s.aux1 = le::loadI32(p + 20);
            s.aux2 = le::loadI32(p + 24);
            s.code = le::loadI32(p + 28);
            s.aux3 = le::loadI32(p + 32);
        }
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    MeshData& mesh_;
    ParseFault& fault_;
    std::int32_t nodeCount_ = 0;
    std::int32_t partCount_ = 0;
    std::int32_t surfaceCount_ = 0;
    std::uint64_t nodeStart_ = 0;
    std::uint64_t partStart_ = 0;
    std::uint64_t surfaceStart_ = 0;
};

}  // namespace

bool parseBinaryMesh(const unsigned char* data, std::size_t size, MeshData& mesh,
                     ParseFault& fault) {
    return BinaryParser(data, size, mesh, fault).run();
}

}  // namespace nqbio
