// Loading the six fibre-orientation items of a result file into the per-cell arrays.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "extract/CExtractToolData.h"

namespace {

constexpr std::size_t kHeadTextBytes = k7t::kHeadTextBufferBytes;
constexpr std::size_t kItemTextBytes = k7t::kItemTextBufferBytes;

// Items in the order they are fetched, and the component array each one fills: a23 (item 11)
// is the fifth output and a13 (item 10) the sixth.
constexpr int kFetchedItems[CExtractToolData::kFiberComponentCount] = {4, 5, 6, 9, 10, 11};
constexpr int kComponentOfFetched[CExtractToolData::kFiberComponentCount] = {0, 1, 2, 3, 5, 4};

// A count the reader reports as a 64-bit value, clamped to what an int table can hold.
int countFrom(std::int64_t value) {
    if (value < 0) return 0;
    constexpr std::int64_t kMax = 2147483646;
    return static_cast<int>(std::min(value, kMax));
}

}  // namespace

int CExtractToolData::ReadFiberResults(char* fileName) {
    if (!HasMesh() || fileName == nullptr) return -1;

    CQVR3DResultReader_Manipulator reader;
    if (reader.BeginReading(fileName, nullptr) < 0) return -1;

    reader.GetResultVersion();
    int analysisType = 0, solverVersion = 0, timeSteps = 0, nItemCount = 0;
    std::vector<char> project(kHeadTextBytes, '\0'), run(kHeadTextBytes, '\0'),
        date(kHeadTextBytes, '\0');
    reader.GetHeadInfo(analysisType, solverVersion, project.data(), run.data(), date.data(),
                       timeSteps, nItemCount);
    nItemCount = std::max(nItemCount, 0);

    // Item information: read because the reader expects the call, otherwise unused.
    const auto items = static_cast<std::size_t>(nItemCount);
    std::vector<int> itemIds(items + 1, 0), itemLocations(items + 1, 0);
    std::vector<char> nameText(items * kItemTextBytes + 1, '\0');
    std::vector<char> unitText(items * kItemTextBytes + 1, '\0');
    std::vector<char*> names(items + 1, nullptr), units(items + 1, nullptr);
    for (std::size_t i = 0; i < items; ++i) {
        names[i] = nameText.data() + i * kItemTextBytes;
        units[i] = unitText.data() + i * kItemTextBytes;
    }
    reader.GetResultItemInfo(itemIds.data(), names.data(), units.data(), itemLocations.data());

    const int nMaxNodes = countFrom(reader.GetMaxCavityNode());
    const int nMaxElems = countFrom(reader.GetMaxCavityElem());
    if (nMaxElems > m_nInnerCell) {
        std::cout << "The result file has " << nMaxElems << " cavity elements but the mesh has "
                  << m_nInnerCell << " solid cells: it belongs to another mesh." << std::endl;
        reader.EndReading();
        return -1;
    }

    // A fibre item stored per node holds the node count of values, which the reader has checked
    // against the file's length; only then are the buffers that long. A node count that no
    // fetched item fills (a header claiming 2^31 nodes in a small file) is never allocated for.
    std::size_t slots = static_cast<std::size_t>(nMaxElems) + 1;
    for (std::size_t i = 0; i < items; ++i) {
        const bool fetched = std::find(std::begin(kFetchedItems), std::end(kFetchedItems), itemIds[i]) !=
                             std::end(kFetchedItems);
        if (fetched && itemLocations[i] == 0)
            slots = std::max(slots, static_cast<std::size_t>(nMaxNodes) + 1);
    }
    std::vector<float> values[kFiberComponentCount];
    for (int i = 0; i < kFiberComponentCount; ++i) {
        values[i].assign(slots, 0.0f);
        reader.GetResultItem(kFetchedItems[i], values[i].data());
    }

    for (int e = 1; e <= nMaxElems; ++e) {
        for (int i = 0; i < kFiberComponentCount; ++i) {
            m_pCellFiber[kComponentOfFetched[i]][e] =
                static_cast<double>(values[i][static_cast<std::size_t>(e)]);
        }
    }
    AverageFiberToNodes();
    reader.EndReading();
    return 1;
}
