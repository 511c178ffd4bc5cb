// Binary encoding reader: a 64-byte header and three blocks of fixed-size records.
//
// The records are checked in place and then decoded from the file's bytes when they are asked
// for, so a large file costs one read and one checking pass and no copy.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "binary_records.h"
#include "mesh_parsers.h"
#include "nqb_layout.h"

namespace nqbio {

namespace {

constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kCountsOffset = 8;

// Where the blocks of a checked file start, and its header.
struct BinaryLayout {
    std::int32_t nodeCount = 0;
    std::int32_t partCount = 0;
    std::int32_t surfaceCount = 0;
    std::string unit;
    std::size_t nodeStart = 0;
    std::size_t partStart = 0;
    std::size_t surfaceStart = 0;
};

class BinaryMeshSource final : public MeshSource {
public:
    BinaryMeshSource(FileBytes&& file, BinaryLayout&& layout)
        : file_(std::move(file)), layout_(std::move(layout)) {}

    int nodeCount() const override { return layout_.nodeCount; }
    int partCount() const override { return layout_.partCount; }
    int surfaceCount() const override { return layout_.surfaceCount; }
    const std::string& unit() const override { return layout_.unit; }
    void node(std::size_t k, float& x, float& y, float& z) const override {
        records::decodeNode(file_.data.get() + layout_.nodeStart + layout::kNodeRecordBytes * k, x,
                            y, z);
    }
    void part(std::size_t k, PartElement& e) const override {
        records::decodePart(file_.data.get() + layout_.partStart + layout::kPartRecordBytes * k, e);
    }
    void surface(std::size_t k, SurfaceElement& s) const override {
        records::decodeSurface(
            file_.data.get() + layout_.surfaceStart + layout::kSurfaceRecordBytes * k, s);
    }

private:
    FileBytes file_;
    BinaryLayout layout_;
};

class BinaryChecker {
public:
    BinaryChecker(const unsigned char* data, std::size_t size, BinaryLayout& layout,
                  ParseFault& fault)
        : data_(data), size_(size), layout_(layout), fault_(fault) {}

    bool run() {
        return header() && sizeMatchesCounts() && nodeBlock() && partBlock() && surfaceBlock();
    }

private:
    bool fail(std::uint64_t offset, std::string what) {
        fault_.place = offset;
        fault_.what = std::move(what);
        return false;
    }
    std::uint64_t offsetOf(const unsigned char* p) const {
        return static_cast<std::uint64_t>(p - data_);
    }

    bool header() {
        if (size_ < layout::kHeaderBytes) {
            return fail(size_, "the file ends inside the " + std::to_string(layout::kHeaderBytes) +
                                   "-byte header");
        }
        const std::uint32_t version = le::loadU32(data_ + kVersionOffset);
        if (version != layout::kLayoutVersion) {
            return fail(kVersionOffset, "layout version " + std::to_string(version) +
                                            " is not supported (1 expected)");
        }
        static const char* const kNames[3] = {"node", "part element", "surface element"};
        std::int32_t* const targets[3] = {&layout_.nodeCount, &layout_.partCount,
                                          &layout_.surfaceCount};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t at = kCountsOffset + 4 * i;
            *targets[i] = le::loadI32(data_ + at);
            if (*targets[i] < 0) {
                return fail(at, std::string(kNames[i]) + " count " + std::to_string(*targets[i]) +
                                    " is negative");
            }
        }
        return unitField();
    }

    bool unitField() {
        const unsigned char* unit = data_ + layout::kUnitOffset;
        const void* nul = std::memchr(unit, 0, layout::kUnitFieldBytes);
        if (nul == nullptr) {
            return fail(layout::kUnitOffset, "unit text is not NUL-terminated within its " +
                                                 std::to_string(layout::kUnitFieldBytes) +
                                                 " bytes");
        }
        const auto length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - unit);
        // The padding must be NULs: anything else means a damaged or misaligned header.
        for (std::size_t i = length; i < layout::kUnitFieldBytes; ++i) {
            if (unit[i] != 0) {
                return fail(layout::kUnitOffset + i, "unit text padding holds a non-NUL byte");
            }
        }
        layout_.unit.assign(reinterpret_cast<const char*>(unit), length);
        return true;
    }

    bool sizeMatchesCounts() {
        // Counts are at most 2^31 - 1, so the total fits in 64 bits with room to spare, and it
        // is compared with the size before anything is sized from a count.
        const std::uint64_t partStart =
            layout::kHeaderBytes +
            layout::kNodeRecordBytes * static_cast<std::uint64_t>(layout_.nodeCount);
        const std::uint64_t surfaceStart =
            partStart + layout::kPartRecordBytes * static_cast<std::uint64_t>(layout_.partCount);
        const std::uint64_t expected =
            surfaceStart +
            layout::kSurfaceRecordBytes * static_cast<std::uint64_t>(layout_.surfaceCount);
        if (size_ != expected) {
            const std::string need = "the counts (" + std::to_string(layout_.nodeCount) +
                                     " nodes, " + std::to_string(layout_.partCount) +
                                     " part elements, " + std::to_string(layout_.surfaceCount) +
                                     " surface elements) need " + std::to_string(expected) +
                                     " bytes";
            if (size_ < expected) {
                return fail(size_,
                            "the file ends after " + std::to_string(size_) + " bytes; " + need);
            }
            return fail(expected, std::to_string(size_ - expected) +
                                      " bytes follow the last surface element; " + need);
        }
        layout_.nodeStart = layout::kHeaderBytes;
        layout_.partStart = static_cast<std::size_t>(partStart);
        layout_.surfaceStart = static_cast<std::size_t>(surfaceStart);
        return true;
    }

    bool nodeBlock() {
        const unsigned char* p = data_ + layout_.nodeStart;
        const std::size_t values = 3 * static_cast<std::size_t>(layout_.nodeCount);
        for (std::size_t i = 0; i < values; ++i, p += 4) {
            if (!std::isfinite(le::loadF32(p))) {
                return fail(offsetOf(p), "node " + std::to_string(i / 3 + 1) + ": coordinate " +
                                             std::to_string(i % 3 + 1) + " is not finite");
            }
        }
        return true;
    }

    bool partBlock() {
        const unsigned char* p = data_ + layout_.partStart;
        PartElement e;
        for (std::int32_t k = 1; k <= layout_.partCount; ++k, p += layout::kPartRecordBytes) {
            records::decodePart(p, e);
            if (!partRecord(k, p, e)) return false;
        }
        return true;
    }

    bool partRecord(std::int32_t k, const unsigned char* p, const PartElement& e) {
        const auto label = [k] { return "part element " + std::to_string(k) + ": "; };
        if (e.nNode < 1 || e.nNode > layout::kMaxPartNodes) {
            return fail(offsetOf(p), label() + "node count " + std::to_string(e.nNode) +
                                         " is outside 1.." + std::to_string(layout::kMaxPartNodes));
        }
        for (int j = 0; j < layout::kMaxPartNodes; ++j) {
            const std::int32_t n = e.node[j];
            const std::uint64_t at =
                offsetOf(p) + records::kPartNodesOffset + 4 * static_cast<std::uint64_t>(j);
            if (j < e.nNode && (n < 1 || n > layout_.nodeCount)) {
                return fail(at, label() + "node number " + std::to_string(n) + " is outside 1.." +
                                    std::to_string(layout_.nodeCount));
            }
            // Unused slots are written as 0; anything else means a damaged record.
            if (j >= e.nNode && n != 0) {
                return fail(at, label() + "unused node slot " + std::to_string(j + 1) + " holds " +
                                    std::to_string(n) + " (0 expected)");
            }
        }
        if (!std::isfinite(e.volume)) {
            return fail(offsetOf(p) + records::kPartVolumeOffset, label() + "volume is not finite");
        }
        return true;
    }

    bool surfaceBlock() {
        const unsigned char* p = data_ + layout_.surfaceStart;
        for (std::int32_t k = 1; k <= layout_.surfaceCount; ++k, p += layout::kSurfaceRecordBytes) {
            for (int j = 0; j < layout::kSurfaceCorners; ++j) {
                const unsigned char* q = p + 4 * static_cast<std::size_t>(j);
                const std::int32_t n = le::loadI32(q);
                if (n < 1 || n > layout_.nodeCount) {
                    return fail(offsetOf(q), "surface element " + std::to_string(k) +
                                                 ": node number " + std::to_string(n) +
                                                 " is outside 1.." +
                                                 std::to_string(layout_.nodeCount));
                }
            }
        }
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    BinaryLayout& layout_;
    ParseFault& fault_;
};

}  // namespace

std::unique_ptr<MeshSource> parseBinaryMesh(FileBytes&& file, ParseFault& fault) {
    BinaryLayout layout;
    if (!BinaryChecker(file.data.get(), file.size, layout, fault).run()) return nullptr;
    return std::make_unique<BinaryMeshSource>(std::move(file), std::move(layout));
}

}  // namespace nqbio
