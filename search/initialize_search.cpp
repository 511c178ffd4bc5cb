// The whole search set-up after a mesh has been loaded.
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

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
    // The ray walk's index over the filled tree; any later change to the tree drops it.
    if (m_pADTree != nullptr) m_pADTree->BuildWalkIndex();
    return 1;
}
