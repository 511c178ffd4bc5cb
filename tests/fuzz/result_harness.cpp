// Result reader target. The reader takes only a file name, so each input goes through a
// scratch file. Checked besides memory safety: the result code agrees with the file's leading
// bytes, an accepted file's counts are in range and every item hands out exactly its values,
// and what k7t::write makes of an accepted file reads back the same.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "FuzzHarness.h"

namespace qvr::fuzz {

namespace {

constexpr std::int64_t kMaxCount = 2147483646;  // 2^31 - 2, the largest cavity count allowed
constexpr std::size_t kTextProbeBytes = 64;     // bytes that decide a text result file
constexpr float kGuard = -12345.0f;             // marks entries a call must leave alone

// The code the file's first bytes call for, when they decide it alone (0 = either 0 or -3).
int codeByLeadingBytes(const std::uint8_t* data, std::size_t size) {
    if (size >= 4 && std::memcmp(data, "K7TB", 4) == 0) return 0;
    if (size == 0) return k7t::kNotResultFile;
    const std::size_t n = size < kTextProbeBytes ? size : kTextProbeBytes;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = data[i];
        const bool text = (c >= 0x20 && c <= 0x7e) || c == '\t' || c == '\r' || c == '\n';
        if (!text) return k7t::kNotResultFile;
    }
    return k7t::kTextResultFile;
}

std::string checkOpened(CQVR3DResultReader_Manipulator& reader) {
    const std::int64_t nodes = reader.GetMaxCavityNode(), elems = reader.GetMaxCavityElem();
    if (nodes < 0 || nodes > kMaxCount || elems < 0 || elems > kMaxCount)
        return "accepted a cavity count out of range";
    int type = 0, solver = 0, steps = 0, items = -1;
    std::vector<char> project(129), run(129), date(65);
    if (!reader.GetHeadInfo(type, solver, project.data(), run.data(), date.data(), steps, items))
        return "GetHeadInfo failed on an open file";
    if (items < 0) return "accepted a negative item count";
    const auto count = static_cast<std::size_t>(items);
    std::vector<int> ids(count), locations(count, -1);
    std::vector<std::vector<char>> names(count, std::vector<char>(65)),
        units(count, std::vector<char>(65));
    std::vector<char*> namePtrs(count), unitPtrs(count);
    for (std::size_t k = 0; k < count; ++k) {
        namePtrs[k] = names[k].data();
        unitPtrs[k] = units[k].data();
    }
    if (!reader.GetResultItemInfo(ids.data(), namePtrs.data(), unitPtrs.data(), locations.data()))
        return "GetResultItemInfo failed on an open file";
    std::vector<float> values;
    for (std::size_t k = 0; k < count; ++k) {
        if (locations[k] != 0 && locations[k] != 1)
            return "accepted location " + std::to_string(locations[k]);
        const std::int64_t n = locations[k] == 0 ? nodes : elems;
        // One guard past the end: an item must not write beyond its own count.
        values.assign(static_cast<std::size_t>(n) + 2, kGuard);
        if (!reader.GetResultItem(ids[k], values.data()))
            return "listed item " + std::to_string(ids[k]) + " cannot be fetched";
        if (values.front() != kGuard || values.back() != kGuard)
            return "item " + std::to_string(ids[k]) + " wrote outside 1..count";
        for (std::size_t j = k + 1; j < count; ++j) {
            if (ids[j] == ids[k]) return "accepted repeated item id " + std::to_string(ids[k]);
        }
    }
    // An id the table does not hold: nothing may be written.
    int absent = 0;
    while (std::find(ids.begin(), ids.end(), absent) != ids.end()) ++absent;
    float untouched[2] = {kGuard, kGuard};
    if (reader.GetResultItem(absent, untouched) || untouched[1] != kGuard)
        return "an absent id was fetched";
    return "";
}

bool sameItems(const k7t::ResultFile& a, const k7t::ResultFile& b) {
    const auto head = [](const k7t::ResultFile& f) {
        return std::tie(f.resultVersion, f.analysisType, f.solverVersion, f.project, f.run, f.date,
                        f.timeSteps, f.nodeCount, f.elemCount);
    };
    if (head(a) != head(b) || a.items.size() != b.items.size()) return false;
    for (std::size_t k = 0; k < a.items.size(); ++k) {
        const k7t::ResultItem &p = a.items[k], &q = b.items[k];
        // Values bit for bit: a NaN must come back as the same NaN.
        if (std::tie(p.id, p.location, p.name, p.unit) !=
                std::tie(q.id, q.location, q.name, q.unit) ||
            p.values.size() != q.values.size() ||
            (!p.values.empty() &&
             std::memcmp(p.values.data(), q.values.data(), 4 * p.values.size()) != 0)) {
            return false;
        }
    }
    return true;
}

// The writer may refuse texts that fill their whole field (no room for the NUL the writer
// keeps); what it writes must read back as it was.
std::string roundTrip(const std::string& path) {
    k7t::ResultFile file;
    std::string error;
    if (!k7t::read(path, file, &error)) return "k7t::read refused an accepted file: " + error;
    const std::string copy = scratchFile("round.k7t");
    std::string fault;
    if (k7t::write(copy, file)) {
        k7t::ResultFile back;
        if (!k7t::read(copy, back, &error))
            fault = "a written file was refused: " + error;
        else if (!sameItems(file, back))
            fault = "a written file read back differently";
    }
    std::remove(copy.c_str());
    return fault;
}

}  // namespace

std::string resultFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchCopy("input.k7t", data, size);
    if (path.empty()) return "";  // no room for the scratch file: nothing to test
    std::string fault;
    {
        CQVR3DResultReader_Manipulator reader;
        const int code = reader.BeginReading(path.c_str(), nullptr);
        const int expected = codeByLeadingBytes(data, size);
        if (code == k7t::kOpened) {
            if (expected != 0)
                fault = "opened a file without the magic";
            else
                fault = checkOpened(reader);
            if (fault.empty()) fault = roundTrip(path);
        } else if (expected == 0 ? code != k7t::kDamaged : code != expected) {
            fault = "result " + std::to_string(code) + " where the leading bytes call for " +
                    (expected == 0 ? std::string("-3") : std::to_string(expected));
        } else if (*reader.GetLastError() == '\0') {
            fault = "refused without a reason";
        }
    }
    std::remove(path.c_str());
    return fault;
}

}  // namespace qvr::fuzz
