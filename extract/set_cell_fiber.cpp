// Fibre-orientation values per cell handed in as an array instead of read from a result file.
#include <cmath>
#include <cstddef>
#include <string>

#include "extract/CExtractToolData.h"
#include "kernel/mesh_arrays.h"

int CExtractToolData::SetCellFiber(int cellCount, const double* values) {
    qvr::ArrayFault fault;
    if (!HasMesh()) {
        fault = {QVR_ARRAYS_NO_MESH, "no mesh: set a mesh before its fibre values"};
    } else if (values == nullptr || cellCount != m_nInnerCell) {
        fault = {QVR_ARRAYS_INVALID_ARGUMENT,
                 "expected values for " + std::to_string(m_nInnerCell) + " cells, got " +
                     (values == nullptr ? std::string("a null array") : std::to_string(cellCount))};
    } else {
        const auto count = static_cast<std::size_t>(cellCount) * kFiberComponentCount;
        for (std::size_t i = 0; i < count && fault.status == QVR_ARRAYS_OK; ++i) {
            if (!std::isfinite(values[i])) {
                fault = {QVR_ARRAYS_NOT_FINITE,
                         "cell " + std::to_string(i / kFiberComponentCount) + ": value " +
                             std::to_string(i % kFiberComponentCount) + " is not finite"};
            }
        }
    }
    if (fault.status != QVR_ARRAYS_OK) return Refuse(fault.status, fault.text);
    // Components in the order of GetFiber's outputs (a11 a22 a33 a12 a23 a13), which is also
    // the order of the tool's cell arrays.
    for (int e = 1; e <= m_nInnerCell; ++e) {
        const double* row = values + static_cast<std::size_t>(e - 1) * kFiberComponentCount;
        for (int k = 0; k < kFiberComponentCount; ++k) m_pCellFiber[k][e] = row[k];
    }
    AverageFiberToNodes();
    m_lastErrorText.clear();
    m_nLastErrorCode = 0;
    return QVR_ARRAYS_OK;
}
