// Construction, destruction, the small setters of the kernel and its last error.
#include <string_view>

#include "QVROptKer.h"
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
      m_pLastErrorText(nullptr), m_nLastErrorCode(0) {}

CQVROptKer::~CQVROptKer() {
    qvr::releaseMesh(*this);
    ReleaseSearch();
    qvr::releaseArray(m_pLastErrorText);
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
    return m_pLastErrorText != nullptr ? m_pLastErrorText : "";
}

int CQVROptKer::GetLastErrorCode() const { return m_nLastErrorCode; }

void CQVROptKer::RecordError(int code, const char* text) {
    char* copy = nullptr;
    if (code != 0) {
        const std::string_view view = text != nullptr ? text : "";
        copy = new char[view.size() + 1];
        view.copy(copy, view.size());
        copy[view.size()] = '\0';
    }
    qvr::releaseArray(m_pLastErrorText);
    m_pLastErrorText = copy;
    m_nLastErrorCode = code;
}
