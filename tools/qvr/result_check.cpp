#include "result_check.h"

#include "CQVR3DResultReader_Manipulator.h"
#include "cli_error.h"

namespace qvr::cli {

namespace {

constexpr int kLocationPerElement = 1;
// The reader's buffers: header texts up to 128 bytes, names and units up to 64.
constexpr std::size_t kHeaderTextBytes = 129;
constexpr std::size_t kItemTextBytes = 65;

const char* beginReadingMeaning(int code) {
    switch (code) {
        case -1: return "cannot be opened or read";
        case -2: return "is not a result file";
        case -3: return "is damaged";
        case -4: return "is a text result file (binary .k7t expected)";
        default: return "cannot be read";
    }
}

}  // namespace

ResultHeader readResultHeader(const std::string& path) {
    CQVR3DResultReader_Manipulator reader;
    const int code = reader.BeginReading(path.c_str(), nullptr);
    if (code != 0) {
        std::string text = path + ": result file " + beginReadingMeaning(code);
        const std::string reason = reader.GetLastError();
        if (!reason.empty()) text += ": " + reason;
        failFile(text);
    }
    ResultHeader h;
    h.resultVersion = reader.GetResultVersion();
    char project[kHeaderTextBytes] = {}, run[kHeaderTextBytes] = {}, date[kHeaderTextBytes] = {};
    int itemCount = 0;
    reader.GetHeadInfo(h.analysisType, h.solverVersion, project, run, date, h.timeSteps,
                       itemCount);
    h.project = project;
    h.run = run;
    h.date = date;
    h.nodeCount = reader.GetMaxCavityNode();
    h.elemCount = reader.GetMaxCavityElem();
    const std::size_t n = itemCount > 0 ? static_cast<std::size_t>(itemCount) : 0;
    std::vector<int> ids(n), locations(n);
    std::vector<std::vector<char>> nameStore(n, std::vector<char>(kItemTextBytes, '\0'));
    std::vector<std::vector<char>> unitStore(nameStore);
    std::vector<char*> names(n), units(n);
    for (std::size_t k = 0; k < n; ++k) {
        names[k] = nameStore[k].data();
        units[k] = unitStore[k].data();
    }
    reader.GetResultItemInfo(ids.data(), names.data(), units.data(), locations.data());
    for (std::size_t k = 0; k < n; ++k)
        h.items.push_back({ids[k], locations[k], names[k], units[k]});
    reader.EndReading();
    return h;
}

void checkFiberResult(const ResultHeader& header, long long cells, const std::string& path) {
    if (header.elemCount != cells)
        failFile(path + ": the results belong to another mesh: " +
                 std::to_string(header.elemCount) + " cavity elements, the mesh has " +
                 std::to_string(cells) + " cells");
    const int wanted[6] = {4, 5, 6, 9, 10, 11};
    std::string missing;
    for (int id : wanted) {
        bool found = false;
        for (const ResultItemInfo& item : header.items)
            found = found || (item.id == id && item.location == kLocationPerElement);
        if (found) continue;
        if (!missing.empty()) missing += ' ';
        missing += std::to_string(id);
    }
    if (!missing.empty())
        failFile(path + ": no per-element fibre-orientation item with id " + missing);
}

}  // namespace qvr::cli
