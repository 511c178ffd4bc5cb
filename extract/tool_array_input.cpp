// The extraction tool's entry points that take arrays instead of files.
#include "QVR3DExtractTool.h"

#include "extract/CExtractToolData.h"
#include "kernel/mesh_arrays.h"

int QVR3DExtractTool::SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                                    const QVRIndexBlock* cellBlocks, int faceBlockCount,
                                    const QVRIndexBlock* faceBlocks, const char* unit) {
    const qvr::MeshArrays arrays{nodeCount,  xyz, cellBlockCount, cellBlocks, faceBlockCount,
                                 faceBlocks, unit};
    return m_pData->LoadMeshArrays(arrays);
}

int QVR3DExtractTool::SetFiberValues(int cellCount, const double* values) {
    return m_pData->SetCellFiber(cellCount, values);
}
