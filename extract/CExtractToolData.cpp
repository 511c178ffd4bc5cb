// Lifetime of the extraction tool's state: the kernel it owns, the mesh tables it borrows from
// it, the tests that tell which of them a call may rely on, and the settings the host may change
// between calls.
#include <new>
#include <string>

#include "extract/CExtractToolData.h"
#include "kernel/chunked_threads.h"
#include "kernel/mesh_arrays.h"

namespace {
constexpr int kRetainCellNodesOnly = 0;  // allNodeFlag: keep only the nodes solid cells use
constexpr int kLoaded = 1;
}  // namespace

CExtractToolData::CExtractToolData()
    : m_pOptKer(new CQVROptKer()), p_Cell(nullptr), m_pSurface(nullptr), m_pNode(nullptr),
      m_pRayData(nullptr), m_nNode(0), m_nInnerCell(0),
      m_nSurface(0), m_pCellFiber{}, m_pNodeFiber{}, m_nSurfaceNode(0),
      m_nThicknessMode(QVR_THICKNESS_CENTROID_PLANE), m_nNoCrossingCount(0), m_pProgress(nullptr),
      m_pProgressUser(nullptr), m_nThreadCount(1), m_nProgressReported(0), m_nSearchSlots(0),
      m_bExactReady(false), m_bFaceNeighboursClosed(false), m_nLastErrorCode(0) {}

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

void CExtractToolData::DropMesh() {
    ReleaseRayData();
    DropSearchStructures();
    ReleaseFiberArrays();
    p_Cell = nullptr;
    m_pSurface = nullptr;
    m_pNode = nullptr;
    m_nNode = 0;
    m_nInnerCell = 0;
    m_nSurface = 0;
}

int CExtractToolData::LoadMesh(char* fileName) {
    const int result = m_pOptKer->ReadMeshData(fileName, kRetainCellNodesOnly);
    // The kernel keeps its previous mesh.
    if (result != kLoaded) return Refuse(result, m_pOptKer->GetLastErrorText());
    return AdoptKernelMesh();
}

int CExtractToolData::LoadMeshArrays(const qvr::MeshArrays& arrays) {
    const int result = m_pOptKer->SetMeshArrays(
        arrays.nodeCount, arrays.xyz, arrays.cellBlockCount, arrays.cellBlocks,
        arrays.faceBlockCount, arrays.faceBlocks, arrays.unit, kRetainCellNodesOnly);
    // The kernel keeps its previous mesh.
    if (result != QVR_ARRAYS_OK) return Refuse(result, m_pOptKer->GetLastErrorText());
    return AdoptKernelMesh();
}

int CExtractToolData::AdoptKernelMesh() {
    // The ray records name cells of the previous mesh; keeping them would let GetFiber read
    // past the new tables. The search structures describe the previous mesh too.
    ReleaseRayData();
    DropSearchStructures();
    try {
        TakeMeshTables();
        AllocFiberArrays();
    } catch (const std::bad_alloc&) {
        // Counts of the new mesh beside arrays of the old one would be worse than no mesh.
        DropMesh();
        throw;
    }
    m_lastErrorText.clear();
    m_nLastErrorCode = 0;
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

int CExtractToolData::SelectThreadCount(int n) {
    if (n < 0) return -1;
    m_nThreadCount = n == 0 ? qvr::hardwareThreadCount() : n;
    return 1;
}

int CExtractToolData::SelectThicknessMode(int mode) {
    if (mode != QVR_THICKNESS_CENTROID_PLANE && mode != QVR_THICKNESS_EXACT) return -1;
    m_nThicknessMode = mode;
    return 1;
}

int CExtractToolData::Refuse(int code, const std::string& text) {
    m_lastErrorText = text;
    m_nLastErrorCode = code;
    return code;
}
