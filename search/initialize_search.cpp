// The whole search set-up after a mesh has been loaded.
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"

int CQVROptKer::InitialzeSearch(int slotCount) {
    if (slotCount < 1) return -1;
    qvr::resizeSlotTables(*this, slotCount);
    FindOverAllBondingBox();
    FindSurfaceBondingBox();
    FindInnerCellBondingBox();
    SetADTreeRange(slotCount);
    AddSurfaceToADTree();
    AddInnerCellToADTree();
    ComputeAverageThickness();
    // The thickness floor of the step length needs the average thickness.
    FindMinMesh();
    return 1;
}
