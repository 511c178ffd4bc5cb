// The kernel's search set-up after a mesh has been loaded: overall and element boxes, the tree
// over every skin face and solid cell box, the average part thickness and the step length of
// the ray pass search. Also the set-up of a tree over boxes of the host's own.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "QVROptKer.h"
#include "kernel/face_fan.h"
#include "kernel/messages.h"
#include "search/CQvrADT.h"
#include "search/search_slots.h"

namespace {

// Start values that any real coordinate replaces (mm).
constexpr double kEmptyMax = -1e30;
constexpr double kEmptyMin = 1e30;

// The six bounds of a box where they are stored: the kernel's overall box or an element's.
struct BoxBounds {
    double& xMax;
    double& yMax;
    double& zMax;
    double& xMin;
    double& yMin;
    double& zMin;

    // Maximum corner first, as the public set-up takes a box.
    void set(double xmax, double ymax, double zmax, double xmin, double ymin, double zmin) {
        xMax = xmax;
        yMax = ymax;
        zMax = zmax;
        xMin = xmin;
        yMin = ymin;
        zMin = zmin;
    }
    // The empty box, which any real coordinate replaces.
    void setEmpty() { set(kEmptyMax, kEmptyMax, kEmptyMax, kEmptyMin, kEmptyMin, kEmptyMin); }
    // Widened to take in the node; NaN coordinates are passed over.
    void takeIn(const Cnode& p) {
        if (p.x > xMax) xMax = p.x;
        if (p.x < xMin) xMin = p.x;
        if (p.y > yMax) yMax = p.y;
        if (p.y < yMin) yMin = p.y;
        if (p.z > zMax) zMax = p.z;
        if (p.z < zMin) zMin = p.z;
    }
};

BoxBounds overallBox(CQVROptKer& k) {
    return {k.Box_xMax, k.Box_yMax, k.Box_zMax, k.Box_xMin, k.Box_yMin, k.Box_zMin};
}

// Sets an element's box to the extent of its nodes; an element without nodes keeps the empty
// box and gets zMid 0.
template <typename Element>
void fitElementBoxes(Element* table, int count, const Cnode* nodes) {
    if (table == nullptr || nodes == nullptr) return;
    for (int e = 1; e <= count; ++e) {
        Element& el = table[e];
        BoxBounds box{el.xMax, el.yMax, el.zMax, el.xMin, el.yMin, el.zMin};
        box.setEmpty();
        for (int j = 1; j <= el.nNode; ++j) box.takeIn(nodes[el.pNode[j]]);
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

constexpr double kLargestStartSize = 500.0;  // mm, before the cells are looked at
constexpr double kDiagonalFloor = 0.001;     // of the overall box diagonal
constexpr double kThicknessFloor = 0.1;      // of the average thickness
constexpr double kStepFraction = 0.1;        // of the adjusted size

// The host's tree always has a single search slot, whatever slot count the tables get.
constexpr int kHostTreeSlots = 1;

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
    BoxBounds box = overallBox(*this);
    box.setEmpty();
    if (m_pNode != nullptr) {
        for (int i = 1; i <= m_nNode; ++i) box.takeIn(m_pNode[i]);
    }
    qvr::msg::progress(m_nPrintLevel, "FindOverAllBondingBox end");
    qvr::msg::progressValues(m_nPrintLevel, "Box_xMax = %lf, Box_yMax = %lf, Box_zMax = %lf\n ",
                             Box_xMax, Box_yMax, Box_zMax);
    qvr::msg::progressValues(m_nPrintLevel, "Box_xMin = %lf, Box_yMin = %lf, Box_zMin = %lf\n ",
                             Box_xMin, Box_yMin, Box_zMin);
    return 1;
}

int CQVROptKer::FindSurfaceBondingBox() {
    fitElementBoxes(m_pSurface, m_nSurface, m_pNode);
    qvr::msg::progress(m_nPrintLevel, "FindSurfaceBondingBox end");
    return 1;
}

int CQVROptKer::FindInnerCellBondingBox() {
    fitElementBoxes(p_Cell, m_nInnerCell, m_pNode);
    qvr::msg::progress(m_nPrintLevel, "FindInnerCellBondingBox end");
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
    qvr::msg::progress(m_nPrintLevel, "AddSurfaceToADTree end");
    return 1;
}

int CQVROptKer::AddInnerCellToADTree() {
    if (m_pADTree != nullptr && p_Cell != nullptr) {
        for (int j = 1; j <= m_nInnerCell; ++j) {
            const CInnerCell& c = p_Cell[j];
            m_pADTree->AddBlock(m_nSurface + j, c.xMin, c.yMin, c.zMin, c.xMax, c.yMax, c.zMax);
        }
    }
    qvr::msg::progress(m_nPrintLevel, "AddInnerCellToADTree  end");
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
    qvr::msg::progressValues(m_nPrintLevel, "TotalVolume=%lf\n", TotalVolume);
    qvr::msg::progressValues(m_nPrintLevel, "TotalSurfaceArea/2=%lf\n", area * 0.5);
    qvr::msg::progress(m_nPrintLevel, "AverageThickness end");
    qvr::msg::progressValues(m_nPrintLevel, "AverageThickness=%lf \n", AverageThickness);
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

    qvr::msg::progress(m_nPrintLevel, "Adjust MinMesh end");
    qvr::msg::progressValues(m_nPrintLevel, "After adjust MinMesh = %g \n", MinMesh);
    return 1;
}

// A tree over boxes of the host's own, queried through SearchNearBlockID.
int CQVROptKer::SetADTreeRange(double xmax, double ymax, double zmax, double xmin, double ymin,
                               double zmin, int slotCount, int capacity, int growStep) {
    if (slotCount < 1) return -1;
    auto tree = std::make_unique<CQvrADT>(kHostTreeSlots);
    tree->SetRange(xmin, ymin, zmin, xmax, ymax, zmax, capacity, growStep);
    qvr::resizeSlotTables(*this, slotCount);
    delete m_pADTree;
    m_pADTree = tree.release();
    overallBox(*this).set(xmax, ymax, zmax, xmin, ymin, zmin);
    return 1;
}

int CQVROptKer::AddSurfaceToADTree(int id, double xmax, double ymax, double zmax, double xmin,
                                   double ymin, double zmin) {
    if (m_pADTree == nullptr) return 1;
    m_pADTree->AddBlock(id, xmin, ymin, zmin, xmax, ymax, zmax);
    qvr::msg::progress(m_nPrintLevel, "AddSurfaceToADTree end");
    return 1;
}
