// Private state of the extraction tool and its operations.
//
// The exported QVR3DExtractTool holds only a pointer to this object; every member of the tool
// passes its call here. The raw one-based arrays stay because the ray records and the kernel's
// tables are shared with code that reads them directly; ownership is spelled out per field.
#ifndef QVR_EXTRACT_CEXTRACTTOOLDATA_H
#define QVR_EXTRACT_CEXTRACTTOOLDATA_H

#include <string>
#include <vector>

#include "QVR3DExtractTool.h"
#include "QVROptKer.h"

#include "extract/cell_choice.h"

namespace qvr::extract {
class ShapeElements;
}
namespace qvr {
struct MeshArrays;
}

class CExtractToolData {
public:
    static constexpr int kFiberComponentCount = 6;

    // Fields, in this order.
    CQVROptKer* m_pOptKer;    // the tool's own kernel; owned
    CInnerCell* p_Cell;       // the kernel's solid cells 1..m_nInnerCell; borrowed
    CFaceElem* m_pSurface;    // the kernel's skin faces 1..m_nSurface; borrowed
    Cnode* m_pNode;           // the kernel's nodes 1..m_nNode; borrowed
    CRayData* m_pRayData;     // m_nSurfaceNode + 1 ray records with their arrays; owned
    int m_nNode;
    int m_nInnerCell;
    int m_nSurface;           // combined ids above this name solid cells
    double* m_pCellFiber[kFiberComponentCount];  // m_nInnerCell + 1 values each; owned
    double* m_pNodeFiber[kFiberComponentCount];  // m_nNode + 1 node means each; owned
    int m_nSurfaceNode;       // ray records of the last SetSurfaceNode

    // Settings and counters beyond the described state.
    int m_nThicknessMode;        // QVR_THICKNESS_CENTROID_PLANE or QVR_THICKNESS_EXACT
    int m_nNoCrossingCount;      // rays of the last trace without a crossing
    QVRProgressCallback m_pProgress;  // called while rays are traced; null for none
    void* m_pProgressUser;
    std::vector<signed char> m_faceOutward;  // exact mode: +1 when a face's area vector points
                                             // out of the part, -1 when into it
    // Scratch of the cell choice, kept from ray to ray: the ray's usable passed cells, their
    // centroids and point distances by coordinate, and (exact mode) their widened boxes.
    std::vector<int> m_rayCells;
    std::vector<double> m_rayCellData;
    std::vector<qvr::extract::WidenedBox> m_rayCellBoxes;
    // Why the last mesh or result load was refused, and the code it returned; "" and 0 after
    // one that succeeded.
    std::string m_lastErrorText;
    int m_nLastErrorCode;

    // Creates the kernel. A failed allocation raises std::bad_alloc and leaves nothing behind.
    CExtractToolData();
    // Releases the kernel (and with it the borrowed tables), the ray records and the fibre arrays.
    ~CExtractToolData();
    CExtractToolData(const CExtractToolData&) = delete;
    CExtractToolData& operator=(const CExtractToolData&) = delete;

    // A mesh is set: the borrowed tables and all twelve fibre arrays exist.
    bool HasMesh() const;
    // SetSurfaceNode has built ray records for the current mesh.
    bool HasRays() const;

    // Mesh hook-up: the kernel reads the file; on success the tables are taken over and the
    // fibre arrays sized for them. Returns the kernel's result (1, or 3301 and nothing changed).
    int LoadMesh(char* fileName);
    // The same for a mesh handed in as arrays (QVR3DExtractTool::SetMeshArrays): a
    // QVRArrayStatus value; a refusal is kept for GetLastErrorText.
    int LoadMeshArrays(const qvr::MeshArrays& arrays);
    int TakeMeshTables();
    int AllocFiberArrays();

    // Result loading: six fibre items per cell, then their node means. 1, or -1 (nothing
    // changed) without a mesh, for a file that cannot be read, or for a result of another mesh.
    int ReadFiberResults(char* fileName);
    int AverageFiberToNodes();
    // Per-cell values handed in as arrays (QVR3DExtractTool::SetFiberValues): a QVRArrayStatus
    // value; a refusal is kept for GetLastErrorText.
    int SetCellFiber(int cellCount, const double* values);

    // Thickness rays: one ray record per node handed in. 1, or -1 (nothing changed) for bad
    // counts, null arrays or no mesh.
    int BuildRayData(int nNode, int nLayer, const double* x, const double* y, const double* z,
                     const double* Ax, const double* Ay, const double* Az);
    int TraceSurfaceRays();
    int FindSurfaceCrossing(const int* surfaceIds, int nSurfaceIds, double x, double y, double z,
                            double dx, double dy, double dz, double& distance) const;
    int AssignNearestCells(const int* cellIds, int nCellIds, int inode);

    // Exact thickness mode.
    int SelectThicknessMode(int mode);
    // Fills m_faceOutward from the cell each skin face bounds. Returns 1.
    int ComputeFaceOrientation();
    // Distance along the ray to where it first leaves the material through the listed faces:
    // 1 with `distance` set, or 0 (distance 0) when it leaves nowhere ahead.
    int FindExitCrossing(const int* surfaceIds, int nSurfaceIds, double x, double y, double z,
                         double dx, double dy, double dz, double& distance);
    // Cell of each sample point: a listed cell that contains it, else the nearest centroid.
    int AssignContainingCells(const int* cellIds, int nCellIds, int inode);
    // Whether solid cell `cell` contains the point, within a small tolerance of its own size.
    bool PointInCell(int cell, double x, double y, double z) const;
    // The same with the element of the cell's kind from `elements`, for runs of tests.
    bool PointInCell(int cell, double x, double y, double z,
                     qvr::extract::ShapeElements& elements) const;

    // Fibre values at the sample points of one ray. 1, or -1 (nothing written) before rays
    // exist, for an index outside 0..m_nSurfaceNode or for a null array.
    int ExtractNodeFiber(int inode, double* dist, double* fiber1, double* fiber2, double* fiber3,
                         double* fiber4, double* fiber5, double* fiber6);

private:
    // Shape function values of `cell` at the point into N[0..7], with the element of its kind
    // from `elements`; false for a cell type the element library does not interpolate (N then
    // all zero).
    bool CellShapeValues(double x, double y, double z, int cell, double* N,
                         qvr::extract::ShapeElements& elements) const;
    // Corner coordinates of `cell` into X, Y, Z[0..nNode-1], as the element library takes them.
    void CellCorners(const CInnerCell& cell, double* X, double* Y, double* Z) const;
    // The listed cells (cellIds[1..nCellIds]) that name a solid cell, in list order, into
    // m_rayCells, and their centroids by coordinate into m_rayCellData; a null list gives none.
    void GatherListedCells(const int* cellIds, int nCellIds);
    // Squared distances from the point to each gathered centroid, in m_rayCells order; valid
    // until the next call.
    const double* SquaredDistances(double px, double py, double pz);
    void ReportProgress(int done, int total) const;
    // After the kernel loaded a mesh: drops the rays and takes the new tables and fibre arrays.
    int AdoptKernelMesh();
    void ReleaseRayData();
    void ReleaseFiberArrays();
    void DropMesh();
    // Returns code after keeping it and the text for GetLastErrorCode/GetLastErrorText.
    int Refuse(int code, const std::string& text);
};

#endif
