// The twelve fibre arrays, sized by the current mesh.
#include <cstddef>
#include <memory>

#include "extract/CExtractToolData.h"

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
