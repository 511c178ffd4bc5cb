#include "result_header.h"

#include <cstring>
#include <limits>

#include "common/little_endian.h"
#include "k7t_layout.h"

namespace k7t::detail {

using namespace qvr::common::le;

namespace {

constexpr std::uint64_t kLengthLimit =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// a * b + c, or nothing when any step passes the length limit.
std::optional<std::uint64_t> mulAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    if (c > kLengthLimit) return std::nullopt;
    if (a != 0 && b > (kLengthLimit - c) / a) return std::nullopt;
    return a * b + c;
}

bool countInRange(std::int64_t count) { return count >= 0 && count <= layout::kMaxCount; }

}  // namespace

std::string fixedWidthText(const unsigned char* field, std::size_t width) {
    const void* nul = std::memchr(field, 0, width);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - field) : width;
    return std::string(reinterpret_cast<const char*>(field), length);
}

bool decodeHeader(const unsigned char* bytes, ResultHeader& header, std::string& reason) {
    const std::uint32_t version = loadU32(bytes + layout::kLayoutVersionAt);
    if (version != layout::kLayoutVersion) {
        reason = "layout version " + std::to_string(version) + " is not " +
                 std::to_string(layout::kLayoutVersion);
        return false;
    }
    ResultHeader h;
    h.resultVersion = loadI64(bytes + layout::kResultVersionAt);
    h.analysisType = loadI32(bytes + layout::kAnalysisTypeAt);
    h.solverVersion = loadI32(bytes + layout::kSolverVersionAt);
    h.project = fixedWidthText(bytes + layout::kProjectAt, layout::kProjectWidth);
    h.run = fixedWidthText(bytes + layout::kRunAt, layout::kRunWidth);
    h.date = fixedWidthText(bytes + layout::kDateAt, layout::kDateWidth);
    h.timeSteps = loadI32(bytes + layout::kTimeStepsAt);
    h.itemCount = loadI32(bytes + layout::kItemCountAt);
    h.nodeCount = loadI64(bytes + layout::kNodeCountAt);
    h.elemCount = loadI64(bytes + layout::kElemCountAt);
    if (h.itemCount < 0) {
        reason = "item count " + std::to_string(h.itemCount) + " is negative";
        return false;
    }
    if (!countInRange(h.nodeCount)) {
        reason = "cavity node count " + std::to_string(h.nodeCount) + " is outside 0.." +
                 std::to_string(layout::kMaxCount);
        return false;
    }
    if (!countInRange(h.elemCount)) {
        reason = "cavity element count " + std::to_string(h.elemCount) + " is outside 0.." +
                 std::to_string(layout::kMaxCount);
        return false;
    }
    header = std::move(h);
    return true;
}

std::optional<std::uint64_t> expectedFileSize(std::uint64_t itemCount, std::uint64_t nodeCount,
                                              std::uint64_t elemCount, std::uint64_t perNodeItems,
                                              std::uint64_t perElementItems) {
    const auto nodeItemBytes = mulAdd(nodeCount, layout::kValueSize, 0);
    const auto elemItemBytes = mulAdd(elemCount, layout::kValueSize, 0);
    if (!nodeItemBytes || !elemItemBytes) return std::nullopt;
    auto length = mulAdd(itemCount, layout::kEntrySize, layout::kHeaderSize);
    if (length) length = mulAdd(perNodeItems, *nodeItemBytes, *length);
    if (length) length = mulAdd(perElementItems, *elemItemBytes, *length);
    return length;
}

}  // namespace k7t::detail
