// Lifetime of the extraction tool's state: the kernel it owns, the ray records and the fibre
// arrays, and the tests that tell which of them a call may rely on.
#include "extract/CExtractToolData.h"

CExtractToolData::CExtractToolData()
    : m_pOptKer(nullptr), p_Cell(nullptr), m_pSurface(nullptr), m_pNode(nullptr),
      m_pRayData(nullptr), m_nNode(0), m_nInnerCell(0), m_nSurface(0), m_pCellFiber{},
      m_pNodeFiber{}, m_nSurfaceNode(0), m_nThicknessMode(QVR_THICKNESS_CENTROID_PLANE),
      m_nNoCrossingCount(0), m_pProgress(nullptr), m_pProgressUser(nullptr) {
    m_pOptKer = new CQVROptKer();
}

CExtractToolData::~CExtractToolData() {
    // The kernel goes first: it releases the tables this object only borrowed.
    delete m_pOptKer;
    m_pOptKer = nullptr;
    p_Cell = nullptr;
    m_pSurface = nullptr;
    m_pNode = nullptr;
    ReleaseRayData();
    ReleaseFiberArrays();
}

bool CExtractToolData::HasMesh() const {
    return m_pNode != nullptr && p_Cell != nullptr && m_pSurface != nullptr &&
           m_pCellFiber[0] != nullptr;
}

bool CExtractToolData::HasRays() const { return HasMesh() && m_pRayData != nullptr; }

void CExtractToolData::ReleaseRayData() {
    if (m_pRayData != nullptr) {
        for (int i = 0; i <= m_nSurfaceNode; ++i) {
            CRayData& r = m_pRayData[i];
            delete[] r.pX;
            delete[] r.pY;
            delete[] r.pZ;
            delete[] r.pDist;
            delete[] r.pCellID;
        }
        delete[] m_pRayData;
    }
    m_pRayData = nullptr;
    m_nSurfaceNode = 0;
    m_nNoCrossingCount = 0;
}

void CExtractToolData::ReleaseFiberArrays() {
    for (int k = 0; k < kFiberComponentCount; ++k) {
        delete[] m_pCellFiber[k];
        m_pCellFiber[k] = nullptr;
        delete[] m_pNodeFiber[k];
        m_pNodeFiber[k] = nullptr;
    }
}

void CExtractToolData::DropMesh() {
    ReleaseRayData();
    ReleaseFiberArrays();
    p_Cell = nullptr;
    m_pSurface = nullptr;
    m_pNode = nullptr;
    m_nNode = 0;
    m_nInnerCell = 0;
    m_nSurface = 0;
}
