// A tree over boxes of the host's own, queried through SearchNearBlockID.
#include <memory>

#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"
#include "search/progress_log.h"

namespace {
// The host's tree always has a single search slot, whatever slot count the tables get.
constexpr int kHostTreeSlots = 1;
}  // namespace

int CQVROptKer::SetADTreeRange(double xmax, double ymax, double zmax, double xmin, double ymin,
                               double zmin, int slotCount, int capacity, int growStep) {
    if (slotCount < 1) return -1;
    auto tree = std::make_unique<CQvrADT>(kHostTreeSlots);
    tree->SetRange(xmin, ymin, zmin, xmax, ymax, zmax, capacity, growStep);
    qvr::resizeSlotTables(*this, slotCount);
    delete m_pADTree;
    m_pADTree = tree.release();
    Box_xMax = xmax;
    Box_yMax = ymax;
    Box_zMax = zmax;
    Box_xMin = xmin;
    Box_yMin = ymin;
    Box_zMin = zmin;
    return 1;
}

int CQVROptKer::AddSurfaceToADTree(int id, double xmax, double ymax, double zmax, double xmin,
                                   double ymin, double zmin) {
    if (m_pADTree == nullptr) return 1;
    m_pADTree->AddBlock(id, xmin, ymin, zmin, xmax, ymax, zmax);
    qvr::logProgress(m_nPrintLevel, "AddSurfaceToADTree end");
    return 1;
}
