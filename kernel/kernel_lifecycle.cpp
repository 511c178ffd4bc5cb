// Construction, destruction, the small setters of the kernel, its last error and its other
// extras.
#include <string>

#include "QVROptKer.h"
#include "kernel/kernel_extras.h"
#include "kernel/mesh_tables.h"

namespace {
constexpr double kInitialMinMesh = 0.1;  // mm, until the search set-up derives it
}

CQVROptKer::CQVROptKer()
    : m_pMsgTool(nullptr), m_pADTree(nullptr), m_pNode(nullptr), m_pSurface(nullptr),
      p_Cell(nullptr), m_nNodeInFile(0), m_nNode(0), m_nInnerCell(0), m_nSurface(0),
      TotalVolume(0.0), m_pNodeInPart(nullptr), m_pNodeKind(nullptr), m_pNodeNewID(nullptr),
      m_pCellKind(nullptr), m_nPrintLevel(0), m_bFormatFlag(false), Box_xMax(0.0), Box_yMax(0.0),
      Box_zMax(0.0), Box_xMin(0.0), Box_yMin(0.0), Box_zMin(0.0), MinMesh(kInitialMinMesh),
      AverageThickness(0.0), m_nSlotCount(0), m_ppPassElemList(nullptr), m_ppNearBlockList(nullptr),
      m_pExtras(nullptr), m_nLastErrorCode(0) {}

CQVROptKer::~CQVROptKer() {
    qvr::releaseMesh(*this);
    ReleaseSearch();
    delete m_pExtras;
    m_pExtras = nullptr;
}

int CQVROptKer::getMsgPtr(CQVRKNLogErrMsgTool* tool) {
    if (tool == nullptr) return -1;
    m_pMsgTool = tool;
    return 1;
}

int CQVROptKer::setParameter(int level) {
    m_nPrintLevel = level;
    return 1;
}

int CQVROptKer::resetMinMesh(double size) {
    MinMesh = size;
    return 1;
}

const char* CQVROptKer::GetLastErrorText() const {
    return m_pExtras != nullptr ? m_pExtras->lastErrorText.c_str() : "";
}

int CQVROptKer::GetLastErrorCode() const { return m_nLastErrorCode; }

CQVROptKerExtras& CQVROptKer::Extras() {
    if (m_pExtras == nullptr) m_pExtras = new CQVROptKerExtras();
    return *m_pExtras;
}

void CQVROptKer::RecordError(int code, const char* text) {
    if (code == 0 && m_pExtras == nullptr) {
        m_nLastErrorCode = 0;
        return;
    }
    // The copy is made before anything changes, so a failed allocation keeps the previous text.
    std::string copy = code != 0 && text != nullptr ? text : "";
    Extras().lastErrorText.swap(copy);
    m_nLastErrorCode = code;
}

int CQVROptKer::SetQuietReading(int quiet) {
    if (quiet < kLoudReading || quiet > kSilentReading) return -1;
    Extras().quietReading = quiet;
    return 1;
}

const char* CQVROptKer::GetMeshUnitText() const {
    return m_pExtras != nullptr ? m_pExtras->meshUnit.c_str() : "";
}

int CQVROptKer::GetSurfaceCountInFile() const {
    return m_pExtras != nullptr ? m_pExtras->surfacesInFile : 0;
}
