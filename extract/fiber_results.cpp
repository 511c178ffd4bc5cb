// Fibre-orientation results: the six items of a result file per cell, and their node means.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "extract/CExtractToolData.h"

namespace {

constexpr std::size_t kHeadTextBytes = 1024;
constexpr std::size_t kItemTextBytes = 260;

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

int CExtractToolData::AllocFiberArrays() {
    // Everything new is allocated before anything old is released, so a failed allocation
    // leaves the previous arrays in place. Entry 0 is zeroed too: it is never read, but a
    // defined value keeps memory checkers quiet.
    const auto cellSlots = static_cast<std::size_t>(m_nInnerCell) + 1;
    const auto nodeSlots = static_cast<std::size_t>(m_nNode) + 1;
    std::unique_ptr<double[]> cell[kFiberComponentCount];
    std::unique_ptr<double[]> node[kFiberComponentCount];
    for (int k = 0; k < kFiberComponentCount; ++k) {
        cell[k] = std::make_unique<double[]>(cellSlots);
        node[k] = std::make_unique<double[]>(nodeSlots);
    }
    ReleaseFiberArrays();
    for (int k = 0; k < kFiberComponentCount; ++k) {
        m_pCellFiber[k] = cell[k].release();
        m_pNodeFiber[k] = node[k].release();
    }
    return 1;
}

void CExtractToolData::ReleaseFiberArrays() {
    for (int k = 0; k < kFiberComponentCount; ++k) {
        delete[] m_pCellFiber[k];
        m_pCellFiber[k] = nullptr;
        delete[] m_pNodeFiber[k];
        m_pNodeFiber[k] = nullptr;
    }
}

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

    // An item stored per node holds the node count of values; the buffers take either kind so
    // that a file whose fibre items are per node cannot write past them.
    const auto slots = static_cast<std::size_t>(std::max(nMaxElems, nMaxNodes)) + 1;
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

// Node values of the fibre components: the plain mean over the cells that list the node.
int CExtractToolData::AverageFiberToNodes() {
    if (!HasMesh()) return -1;
    // The sums start from zero on every call, so loading a second result file on the same mesh
    // gives that file's means rather than a mixture with the first.
    for (int k = 0; k < kFiberComponentCount; ++k) {
        for (int i = 1; i <= m_nNode; ++i) m_pNodeFiber[k][i] = 0.0;
    }
    std::vector<int> count(static_cast<std::size_t>(m_nNode) + 1, 0);
    for (int c = 1; c <= m_nInnerCell; ++c) {
        const CInnerCell& cell = p_Cell[c];
        if (cell.nNode < 1 || cell.pNode == nullptr) continue;
        for (int j = 1; j <= cell.nNode; ++j) {
            const int node = cell.pNode[j];
            if (node < 1 || node > m_nNode) continue;
            for (int k = 0; k < kFiberComponentCount; ++k) {
                m_pNodeFiber[k][node] += m_pCellFiber[k][c];
            }
            count[static_cast<std::size_t>(node)] += 1;
        }
    }
    for (int i = 1; i <= m_nNode; ++i) {
        const int n = count[static_cast<std::size_t>(i)];
        if (n <= 1) continue;
        const double reciprocal = 1.0 / n;
        for (int k = 0; k < kFiberComponentCount; ++k) m_pNodeFiber[k][i] *= reciprocal;
    }
    return 1;
}
