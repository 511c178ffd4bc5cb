// Mesh hook-up of the extraction tool.
#include <new>

#include "extract/CExtractToolData.h"
#include "kernel/mesh_arrays.h"

namespace {
constexpr int kRetainCellNodesOnly = 0;  // allNodeFlag: keep only the nodes solid cells use
constexpr int kLoaded = 1;
}  // namespace

int CExtractToolData::LoadMesh(char* fileName) {
    const int result = m_pOptKer->ReadMeshData(fileName, kRetainCellNodesOnly);
    if (result != kLoaded) return result;  // the kernel keeps its previous mesh
    return AdoptKernelMesh();
}

int CExtractToolData::AdoptKernelMesh() {
    // The ray records name cells of the previous mesh; keeping them would let GetFiber read
    // past the new tables.
    ReleaseRayData();
    try {
        TakeMeshTables();
        AllocFiberArrays();
    } catch (const std::bad_alloc&) {
        // Counts of the new mesh beside arrays of the old one would be worse than no mesh.
        DropMesh();
        throw;
    }
    return kLoaded;
}

int CExtractToolData::TakeMeshTables() {
    m_nNode = m_pOptKer->m_nNode;
    m_nInnerCell = m_pOptKer->m_nInnerCell;
    m_nSurface = m_pOptKer->m_nSurface;
    p_Cell = m_pOptKer->p_Cell;
    m_pSurface = m_pOptKer->m_pSurface;
    m_pNode = m_pOptKer->m_pNode;
    return 1;
}

int CExtractToolData::LoadMeshArrays(const qvr::MeshArrays& arrays, char* message,
                                     int messageSize) {
    const int result = m_pOptKer->SetMeshArrays(
        arrays.nodeCount, arrays.xyz, arrays.cellBlockCount, arrays.cellBlocks,
        arrays.faceBlockCount, arrays.faceBlocks, arrays.unit, kRetainCellNodesOnly, message,
        messageSize);
    if (result != QVR_ARRAYS_OK) return result;  // the kernel keeps its previous mesh
    AdoptKernelMesh();
    return QVR_ARRAYS_OK;
}
