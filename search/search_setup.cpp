// The kernel's search set-up after a mesh has been loaded: overall and element boxes, the tree
// over every skin face and solid cell box, the average part thickness and the step length of
// the ray pass search.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "QVROptKer.h"
#include "kernel/face_fan.h"
#include "kernel/progress_log.h"
#include "search/CQvrADT.h"
#include "search/search_slots.h"

namespace {

// Start values that any real coordinate replaces (mm).
constexpr double kEmptyMax = -1e30;
constexpr double kEmptyMin = 1e30;

// Sets an element's box to the extent of its nodes; an element without nodes keeps the empty
// box and gets zMid 0.
template <typename Element>
void fitElementBoxes(Element* table, int count, const Cnode* nodes) {
    if (table == nullptr || nodes == nullptr) return;
    for (int e = 1; e <= count; ++e) {
        Element& el = table[e];
        el.xMax = kEmptyMax;
        el.yMax = kEmptyMax;
        el.zMax = kEmptyMax;
        el.xMin = kEmptyMin;
        el.yMin = kEmptyMin;
        el.zMin = kEmptyMin;
        for (int j = 1; j <= el.nNode; ++j) {
            const Cnode& p = nodes[el.pNode[j]];
            if (p.x > el.xMax) el.xMax = p.x;
            if (p.x < el.xMin) el.xMin = p.x;
            if (p.y > el.yMax) el.yMax = p.y;
            if (p.y < el.yMin) el.yMin = p.y;
            if (p.z > el.zMax) el.zMax = p.z;
            if (p.z < el.zMin) el.zMin = p.z;
        }
        el.zMid = (el.zMax + el.zMin) * 0.5;
    }
}

// Sized so that small parts never grow the tree and large ones grow rarely (ids).
constexpr int kTreeCapacity = 10000;
constexpr int kTreeGrowStep = 200000;

// The capacity a tree of `capacity` ids reaches when ids first..last are added in turn: an id
// up to one growth step beyond the capacity grows it by that step, a farther one is refused.
long long capacityAfterAdding(long long capacity, long long first, long long last) {
    for (long long id = first; id <= last;) {
        if (id <= capacity) {
            id = capacity + 1;
        } else if (id > capacity + kTreeGrowStep) {
            break;  // refused, and so is every later, larger id
        } else {
            capacity = capacity + kTreeGrowStep < INT_MAX ? capacity + kTreeGrowStep : INT_MAX;
        }
    }
    return capacity;
}

// Skin areas up to this value (mm^2) are taken as no skin.
constexpr double kMinSkinArea = 1e-8;
// Thickness assumed without a skin (mm).
constexpr double kThicknessWithoutSkin = 1.0;

// Adds the area of a face, as a fan of triangles around its first corner, to `area` one
// triangle at a time (the running total is part of the rounding).
void addFanArea(const CFaceElem& f, const Cnode* nodes, double& area) {
    qvr::forEachFanTriangle(f, nodes, [&area](double cx, double cy, double cz) {
        area += 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
    });
}

constexpr double kLargestStartSize = 500.0;    // mm, before the cells are looked at
constexpr double kDiagonalFloor = 0.001;       // of the overall box diagonal
constexpr double kThicknessFloor = 0.1;        // of the average thickness
constexpr double kStepFraction = 0.1;          // of the adjusted size

}  // namespace

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

int CQVROptKer::FindOverAllBondingBox() {
    Box_xMax = kEmptyMax;
    Box_yMax = kEmptyMax;
    Box_zMax = kEmptyMax;
    Box_xMin = kEmptyMin;
    Box_yMin = kEmptyMin;
    Box_zMin = kEmptyMin;
    if (m_pNode != nullptr) {
        for (int i = 1; i <= m_nNode; ++i) {
            const Cnode& p = m_pNode[i];
            if (p.x > Box_xMax) Box_xMax = p.x;
            if (p.x < Box_xMin) Box_xMin = p.x;
            if (p.y > Box_yMax) Box_yMax = p.y;
            if (p.y < Box_yMin) Box_yMin = p.y;
            if (p.z > Box_zMax) Box_zMax = p.z;
            if (p.z < Box_zMin) Box_zMin = p.z;
        }
    }
    qvr::logProgress(m_nPrintLevel, "FindOverAllBondingBox end");
    if (qvr::progressEnabled(m_nPrintLevel)) {
        std::printf("Box_xMax = %lf, Box_yMax = %lf, Box_zMax = %lf\n ", Box_xMax, Box_yMax,
                    Box_zMax);
        std::printf("Box_xMin = %lf, Box_yMin = %lf, Box_zMin = %lf\n ", Box_xMin, Box_yMin,
                    Box_zMin);
    }
    return 1;
}

int CQVROptKer::FindSurfaceBondingBox() {
    fitElementBoxes(m_pSurface, m_nSurface, m_pNode);
    qvr::logProgress(m_nPrintLevel, "FindSurfaceBondingBox end");
    return 1;
}

int CQVROptKer::FindInnerCellBondingBox() {
    fitElementBoxes(p_Cell, m_nInnerCell, m_pNode);
    qvr::logProgress(m_nPrintLevel, "FindInnerCellBondingBox end");
    return 1;
}

int CQVROptKer::SetADTreeRange(int slotCount) {
    // The tree gets the capacity that filling it with every element would grow it to, so
    // that ids a host adds later are taken or refused as they would be after such a fill. Its
    // arrays hold just the elements' ids: no copies on the way, no room that is never used.
    long long capacity = kTreeCapacity;
    long long lastId = 0;
    if (m_pSurface != nullptr && m_nSurface > 0) {
        capacity = capacityAfterAdding(capacity, 1, m_nSurface);
        lastId = m_nSurface;
    }
    if (p_Cell != nullptr && m_nInnerCell > 0) {
        const long long first = static_cast<long long>(m_nSurface) + 1;
        lastId = static_cast<long long>(m_nSurface) + m_nInnerCell;
        capacity = capacityAfterAdding(capacity, first, lastId);
    }
    const int expectedIds = static_cast<int>(std::clamp(lastId, 0LL, capacity));
    // The new tree is complete before the old one goes, so a failed allocation keeps the old.
    auto tree = std::make_unique<CQvrADT>(slotCount);
    tree->SetRange(Box_xMin, Box_yMin, Box_zMin, Box_xMax, Box_yMax, Box_zMax,
                   static_cast<int>(capacity), kTreeGrowStep, expectedIds);
    delete m_pADTree;
    m_pADTree = tree.release();
    return 1;
}

int CQVROptKer::AddSurfaceToADTree() {
    if (m_pADTree != nullptr && m_pSurface != nullptr) {
        for (int i = 1; i <= m_nSurface; ++i) {
            const CFaceElem& f = m_pSurface[i];
            m_pADTree->AddBlock(i, f.xMin, f.yMin, f.zMin, f.xMax, f.yMax, f.zMax);
        }
    }
    qvr::logProgress(m_nPrintLevel, "AddSurfaceToADTree end");
    return 1;
}

int CQVROptKer::AddInnerCellToADTree() {
    if (m_pADTree != nullptr && p_Cell != nullptr) {
        for (int j = 1; j <= m_nInnerCell; ++j) {
            const CInnerCell& c = p_Cell[j];
            m_pADTree->AddBlock(m_nSurface + j, c.xMin, c.yMin, c.zMin, c.xMax, c.yMax, c.zMax);
        }
    }
    qvr::logProgress(m_nPrintLevel, "AddInnerCellToADTree  end");
    return 1;
}

// Average part thickness: the solid volume spread over half the skin area.
int CQVROptKer::ComputeAverageThickness() {
    double area = 0.0;
    if (m_pSurface != nullptr && m_pNode != nullptr) {
        for (int i = 1; i <= m_nSurface; ++i) addFanArea(m_pSurface[i], m_pNode, area);
    }
    if (!(area > kMinSkinArea)) {
        AverageThickness = kThicknessWithoutSkin;
        return -1;
    }
    AverageThickness = TotalVolume / (area * 0.5);
    if (qvr::progressEnabled(m_nPrintLevel)) {
        std::printf("TotalVolume=%lf\n", TotalVolume);
        std::printf("TotalSurfaceArea/2=%lf\n", area * 0.5);
    }
    qvr::logProgress(m_nPrintLevel, "AverageThickness end");
    if (qvr::progressEnabled(m_nPrintLevel)) std::printf("AverageThickness=%lf \n", AverageThickness);
    return 1;
}

// The minimum mesh size: the step length of the ray pass search.
int CQVROptKer::FindMinMesh() {
    MinMesh = kLargestStartSize;
    if (p_Cell != nullptr) {
        for (int j = 1; j <= m_nInnerCell; ++j) {
            const CInnerCell& c = p_Cell[j];
            const double ex = c.xMax - c.xMin;
            if (MinMesh > ex) MinMesh = ex;
            const double ey = c.yMax - c.yMin;
            if (MinMesh > ey) MinMesh = ey;
            const double ez = c.zMax - c.zMin;
            if (MinMesh > ez) MinMesh = ez;
        }
    }

    const double dx = Box_xMax - Box_xMin;
    const double dy = Box_yMax - Box_yMin;
    const double dz = Box_zMax - Box_zMin;
    const double diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (kDiagonalFloor * diagonal > MinMesh) MinMesh = kDiagonalFloor * diagonal;
    if (kThicknessFloor * AverageThickness > MinMesh) MinMesh = kThicknessFloor * AverageThickness;
    MinMesh = MinMesh * kStepFraction;

    qvr::logProgress(m_nPrintLevel, "Adjust MinMesh end");
    if (qvr::progressEnabled(m_nPrintLevel)) std::printf("After adjust MinMesh = %g \n", MinMesh);
    return 1;
}
