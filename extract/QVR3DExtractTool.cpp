// The exported extraction tool: every member hands its call to the state object, and no
// exception other than std::bad_alloc leaves the library.
#include "QVR3DExtractTool.h"

#include <new>

#include "extract/CExtractToolData.h"

namespace {

constexpr int kFailed = -1;

// Components of other origin might throw; the host only ever sees std::bad_alloc.
template <typename Call>
int atBoundary(Call&& call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return kFailed;
    }
}

}  // namespace

QVR3DExtractTool::QVR3DExtractTool() : m_pData(new CExtractToolData()) {}

QVR3DExtractTool::~QVR3DExtractTool() {
    delete m_pData;
    m_pData = nullptr;
}

int QVR3DExtractTool::SetMeshFileName(char* fileName) {
    return atBoundary([&] { return m_pData->LoadMesh(fileName); });
}

int QVR3DExtractTool::SetK7TFileName(char* fileName) {
    return atBoundary([&] { return m_pData->ReadFiberResults(fileName); });
}

int QVR3DExtractTool::SetSurfaceNode(int nNode, int nLayer, double* x, double* y, double* z,
                                     double* Ax, double* Ay, double* Az) {
    return atBoundary([&] { return m_pData->BuildRayData(nNode, nLayer, x, y, z, Ax, Ay, Az); });
}

int QVR3DExtractTool::GetFiber(int inode, double* dist, double* fiber1, double* fiber2,
                               double* fiber3, double* fiber4, double* fiber5, double* fiber6) {
    return atBoundary([&] {
        return m_pData->ExtractNodeFiber(inode, dist, fiber1, fiber2, fiber3, fiber4, fiber5,
                                         fiber6);
    });
}

int QVR3DExtractTool::SetThicknessMode(int mode) { return m_pData->SelectThicknessMode(mode); }

int QVR3DExtractTool::GetThicknessMode() const { return m_pData->m_nThicknessMode; }

int QVR3DExtractTool::SetThreadCount(int n) { return m_pData->SelectThreadCount(n); }

int QVR3DExtractTool::GetThreadCount() const { return m_pData->m_nThreadCount; }

int QVR3DExtractTool::GetNoCrossingCount() const { return m_pData->m_nNoCrossingCount; }

const char* QVR3DExtractTool::GetLastErrorText() const { return m_pData->m_lastErrorText.c_str(); }

int QVR3DExtractTool::GetLastErrorCode() const { return m_pData->m_nLastErrorCode; }

int QVR3DExtractTool::SetQuietReading(int quiet) {
    return m_pData->m_pOptKer->SetQuietReading(quiet);
}

const CQVROptKer* QVR3DExtractTool::GetKernel() const { return m_pData->m_pOptKer; }

int QVR3DExtractTool::SetProgressCallback(QVRProgressCallback callback, void* user) {
    m_pData->m_pProgress = callback;
    m_pData->m_pProgressUser = callback != nullptr ? user : nullptr;
    return 1;
}
