// The extraction tool's entry points that take arrays instead of files.
#include "QVR3DExtractTool.h"

#include "extract/CExtractToolData.h"
#include "kernel/mesh_arrays.h"

int QVR3DExtractTool::SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                                    const QVRIndexBlock* cellBlocks, int faceBlockCount,
                                    const QVRIndexBlock* faceBlocks, const char* unit) {
    qvr::MeshArrays arrays;
    arrays.nodeCount = nodeCount;
    arrays.xyz = xyz;
    arrays.cellBlockCount = cellBlockCount;
    arrays.cellBlocks = cellBlocks;
    arrays.faceBlockCount = faceBlockCount;
    arrays.faceBlocks = faceBlocks;
    arrays.unit = unit;
    return m_pData->LoadMeshArrays(arrays);
}

int QVR3DExtractTool::SetFiberValues(int cellCount, const double* values) {
    return m_pData->SetCellFiber(cellCount, values);
}
