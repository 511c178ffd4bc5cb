// k7t::write: checks the whole content first, so that refused content never touches an
// existing file, then streams the header, the table and the values.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "CQVR3DResultReader_Manipulator.h"
#include "common/little_endian.h"
#include "common/output_file.h"
#include "k7t_layout.h"

namespace k7t {

namespace le = qvr::common::le;

namespace {

// Values encoded per write call.
constexpr std::size_t kValuesPerWrite = 16384;

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

// A text fits a NUL-padded field when it leaves room for one NUL and holds none itself.
bool fitsField(const std::string& text, std::size_t width) {
    return text.size() < width && text.find('\0') == std::string::npos;
}

std::string checkText(const std::string& text, std::size_t width, const std::string& what) {
    if (fitsField(text, width)) return {};
    return what + " must be at most " + std::to_string(width - 1) +
           " characters without NUL characters";
}

std::string checkContent(const ResultFile& file) {
    for (const std::string& problem :
         {checkText(file.project, layout::kProjectWidth, "project name"),
          checkText(file.run, layout::kRunWidth, "run name"),
          checkText(file.date, layout::kDateWidth, "date text")}) {
        if (!problem.empty()) return problem;
    }
    if (file.nodeCount < 0 || file.nodeCount > layout::kMaxCount || file.elemCount < 0 ||
        file.elemCount > layout::kMaxCount) {
        return "cavity node and element counts must lie in 0.." + std::to_string(layout::kMaxCount);
    }
    if (file.items.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return "too many items";
    }
    std::set<int> ids;
    for (const ResultItem& item : file.items) {
        const std::string label = "item " + std::to_string(item.id);
        if (!ids.insert(item.id).second) return label + " appears more than once";
        if (item.location != layout::kPerNode && item.location != layout::kPerElement) {
            return label + ": location " + std::to_string(item.location) +
                   " is neither 0 (per node) nor 1 (per element)";
        }
        const std::int64_t count =
            item.location == layout::kPerNode ? file.nodeCount : file.elemCount;
        if (item.values.size() != static_cast<std::uint64_t>(count)) {
            return label + " has " + std::to_string(item.values.size()) +
                   " values, its location needs " + std::to_string(count);
        }
        for (const std::string& problem :
             {checkText(item.name, layout::kNameWidth, label + " name"),
              checkText(item.unit, layout::kUnitWidth, label + " unit")}) {
            if (!problem.empty()) return problem;
        }
    }
    return {};
}

void putText(unsigned char* field, const std::string& text) {
    text.copy(reinterpret_cast<char*>(field), text.size());
}

std::array<unsigned char, layout::kHeaderSize> encodeHeader(const ResultFile& file) {
    std::array<unsigned char, layout::kHeaderSize> h{};
    for (std::size_t k = 0; k < layout::kMagicSize; ++k) {
        h[k] = static_cast<unsigned char>(layout::kMagic[k]);
    }
    le::storeU32(h.data() + layout::kLayoutVersionAt, layout::kLayoutVersion);
    le::storeI64(h.data() + layout::kResultVersionAt, file.resultVersion);
    le::storeI32(h.data() + layout::kAnalysisTypeAt, file.analysisType);
    le::storeI32(h.data() + layout::kSolverVersionAt, file.solverVersion);
    putText(h.data() + layout::kProjectAt, file.project);
    putText(h.data() + layout::kRunAt, file.run);
    putText(h.data() + layout::kDateAt, file.date);
    le::storeI32(h.data() + layout::kTimeStepsAt, file.timeSteps);
    le::storeI32(h.data() + layout::kItemCountAt, static_cast<std::int32_t>(file.items.size()));
    le::storeI64(h.data() + layout::kNodeCountAt, file.nodeCount);
    le::storeI64(h.data() + layout::kElemCountAt, file.elemCount);
    return h;
}

std::array<unsigned char, layout::kEntrySize> encodeEntry(const ResultItem& item) {
    std::array<unsigned char, layout::kEntrySize> e{};
    le::storeI32(e.data() + layout::kEntryIdAt, item.id);
    le::storeI32(e.data() + layout::kEntryLocationAt, item.location);
    putText(e.data() + layout::kEntryNameAt, item.name);
    putText(e.data() + layout::kEntryUnitAt, item.unit);
    return e;
}

// Hands the whole file to `out`, values in blocks so that no copy of the file is held.
void writeAll(qvr::common::OutputFile& out, const ResultFile& file) {
    const auto header = encodeHeader(file);
    std::memcpy(out.reserve(header.size()), header.data(), header.size());
    out.commit(header.size());
    for (const ResultItem& item : file.items) {
        const auto entry = encodeEntry(item);
        std::memcpy(out.reserve(entry.size()), entry.data(), entry.size());
        out.commit(entry.size());
    }
    for (const ResultItem& item : file.items) {
        for (std::size_t done = 0; done < item.values.size();) {
            const std::size_t batch = std::min(item.values.size() - done, kValuesPerWrite);
            auto* block = reinterpret_cast<unsigned char*>(out.reserve(batch * layout::kValueSize));
            for (std::size_t k = 0; k < batch; ++k)
                le::storeF32(block + k * layout::kValueSize, item.values[done + k]);
            out.commit(batch * layout::kValueSize);
            done += batch;
        }
    }
}

}  // namespace

bool write(const std::string& path, const ResultFile& file, std::string* error) {
    const std::string problem = checkContent(file);
    if (!problem.empty()) return fail(error, path + ": " + problem);
    qvr::common::OutputFile out;
    std::string reason;
    if (!out.open(path, reason)) return fail(error, path + ": cannot be created");
    writeAll(out, file);
    if (!out.close(reason)) return fail(error, path + ": write failed");
    return true;
}

}  // namespace k7t
