// Fibre-orientation results: the six items of a result file per cell, and their node means.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "extract/CExtractToolData.h"
#include "kernel/messages.h"

namespace {

constexpr int kRefused = -1;

// The output component each fibre item fills, in the order of k7t::kFiberItemIds (a11, a22,
// a33, a12, a13, a23): a23 is the fifth output and a13 the sixth.
constexpr int kComponentOfFetched[CExtractToolData::kFiberComponentCount] = {0, 1, 2, 3, 5, 4};
static_assert(std::size(k7t::kFiberItemIds) == CExtractToolData::kFiberComponentCount);

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
    if (!HasMesh()) return Refuse(kRefused, "no mesh: SetMeshFileName must succeed first");
    if (fileName == nullptr) return Refuse(kRefused, "no result file name given");

    CQVR3DResultReader_Manipulator reader;
    if (reader.BeginReading(fileName, nullptr) < 0) {
        return Refuse(kRefused, std::string(fileName) + ": " + reader.GetLastError());
    }

    // The reader expects these calls before the values; their texts are not needed, and a null
    // buffer is skipped, so none is allocated for them. The item table's ids and locations
    // (as many as the reader has checked against the file's length) size the value buffers.
    reader.GetResultVersion();
    int analysisType = 0, solverVersion = 0, timeSteps = 0, nItemCount = 0;
    reader.GetHeadInfo(analysisType, solverVersion, nullptr, nullptr, nullptr, timeSteps,
                       nItemCount);
    const auto items = static_cast<std::size_t>(std::max(nItemCount, 0));
    std::vector<int> itemIds(items + 1, 0), itemLocations(items + 1, 0);
    reader.GetResultItemInfo(itemIds.data(), nullptr, nullptr, itemLocations.data());

    const int nMaxNodes = countFrom(reader.GetMaxCavityNode());
    const int nMaxElems = countFrom(reader.GetMaxCavityElem());
    if (nMaxElems > m_nInnerCell) {
        const std::string text = "The result file has " + std::to_string(nMaxElems) +
                                 " cavity elements but the mesh has " +
                                 std::to_string(m_nInnerCell) +
                                 " solid cells: it belongs to another mesh.";
        qvr::msg::line(text.c_str());
        reader.EndReading();
        return Refuse(kRefused, text);
    }

    // A fibre item stored per node holds the node count of values, which the reader has checked
    // against the file's length; only then are the buffers that long. A node count that no
    // fetched item fills (a header claiming 2^31 nodes in a small file) is never allocated for.
    std::size_t slots = static_cast<std::size_t>(nMaxElems) + 1;
    for (std::size_t i = 0; i < items; ++i) {
        const bool fetched = std::find(std::begin(k7t::kFiberItemIds), std::end(k7t::kFiberItemIds),
                                       itemIds[i]) != std::end(k7t::kFiberItemIds);
        if (fetched && itemLocations[i] == 0)
            slots = std::max(slots, static_cast<std::size_t>(nMaxNodes) + 1);
    }
    std::vector<float> values[kFiberComponentCount];
    for (int i = 0; i < kFiberComponentCount; ++i) {
        values[i].assign(slots, 0.0f);
        reader.GetResultItem(k7t::kFiberItemIds[i], values[i].data());
    }

    for (int e = 1; e <= nMaxElems; ++e) {
        for (int i = 0; i < kFiberComponentCount; ++i) {
            m_pCellFiber[kComponentOfFetched[i]][e] =
                static_cast<double>(values[i][static_cast<std::size_t>(e)]);
        }
    }
    AverageFiberToNodes();
    reader.EndReading();
    m_lastErrorText.clear();
    m_nLastErrorCode = 0;
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
