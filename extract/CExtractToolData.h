// Private state of the extraction tool and its operations.
//
// The exported QVR3DExtractTool holds only a pointer to this object; every member of the tool
// passes its call here. The raw one-based arrays stay because the ray records and the kernel's
// tables are shared with code that reads them directly; ownership is spelled out per field.
#ifndef QVR_EXTRACT_CEXTRACTTOOLDATA_H
#define QVR_EXTRACT_CEXTRACTTOOLDATA_H

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "QVR3DExtractTool.h"
#include "QVROptKer.h"

#include "extract/cell_choice.h"
#include "extract/ray_scratch.h"
#include "geometry/cell_adjacency.h"
#include "geometry/triangle_bvh.h"

namespace qvr::extract {
class ShapeElements;
}
namespace qvr {
struct MeshArrays;
}
namespace qvr::geom {
class CellsAroundNodes;
}

class CExtractToolData {
public:
    static constexpr int kFiberComponentCount = 6;

    // Fields, in this order. (The fields after them are ordered to leave little padding: small
    // ones side by side.)
    CQVROptKer* m_pOptKer;  // the tool's own kernel; owned
    CInnerCell* p_Cell;     // the kernel's solid cells 1..m_nInnerCell; borrowed
    CFaceElem* m_pSurface;  // the kernel's skin faces 1..m_nSurface; borrowed
    Cnode* m_pNode;         // the kernel's nodes 1..m_nNode; borrowed
    CRayData* m_pRayData;   // m_nSurfaceNode + 1 ray records; owned (arrays below)
    int m_nNode;
    int m_nInnerCell;
    int m_nSurface;                              // combined ids above this name solid cells
    double* m_pCellFiber[kFiberComponentCount];  // m_nInnerCell + 1 values each; owned
    double* m_pNodeFiber[kFiberComponentCount];  // m_nNode + 1 node means each; owned
    int m_nSurfaceNode;                          // ray records of the last SetSurfaceNode

    // Settings and counters beyond the described state.
    int m_nThicknessMode;             // QVR_THICKNESS_CENTROID_PLANE or QVR_THICKNESS_EXACT
    int m_nNoCrossingCount;           // rays of the last trace without a crossing
    QVRProgressCallback m_pProgress;  // called while rays are traced; null for none
    void* m_pProgressUser;
    int m_nThreadCount;       // threads SetSurfaceNode traces on (at least 1)
    int m_nProgressReported;  // the count last handed to the progress callback
    // Search structures kept from call to call while the mesh stays (a new mesh drops them):
    // the kernel's search set-up with this many slots (0: not set up), and the exact mode's
    // hierarchy over the skin triangles, cell neighbours and per-face data.
    int m_nSearchSlots;
    bool m_bExactReady;
    // Exact mode: every neighbour names its cell back and every face without a neighbour is a
    // skin face, so that the cells around a point are all reached from any one of them.
    bool m_bFaceNeighboursClosed;
    // Whether the wall-ray classification's structures (the faces' outward sides and the skin
    // hierarchy) are there; set once under m_wallRayMutex by the first classification after a
    // new mesh, read without it by the others, which may run on several threads.
    std::atomic<bool> m_bWallRaysReady{false};
    qvr::geom::TriangleBvh m_skinHierarchy;
    qvr::geom::CellAdjacency m_cellAdjacency;
    std::vector<signed char> m_faceOutward;  // exact mode: +1 when a face's area vector points
                                             // out of the part, -1 when into it
    std::vector<int> m_faceCell;             // exact mode: the cell each skin face bounds (0: none)
    std::mutex m_wallRayMutex;
    // Scratch of each tracing thread, kept from call to call.
    std::vector<std::unique_ptr<qvr::extract::RayScratch>> m_scratch;
    // The arrays the ray records point into, one block for all of them (allocating five small
    // arrays per skin node cost more than the rays of a small part on two threads): per record,
    // nPoint + 1 x, y, z and distances side by side in m_rayReals, nPoint + 1 cells in
    // m_rayCells. Owned; released with the records.
    std::unique_ptr<double[]> m_rayReals;
    std::unique_ptr<int[]> m_rayCells;
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
    // The host's arrays of a SetSurfaceNode call, 1-based: ray starts and directions (any
    // length).
    struct RayStarts {
        const double *x, *y, *z, *ax, *ay, *az;
    };
    // Sets up and traces every ray record (m_nSurfaceNode of them, their arrays allocated but
    // not yet written) on the selected threads. Returns 1, or -1 without records.
    int TraceSurfaceRays(int nLayer, const RayStarts& starts);
    // Record inode from the host's arrays: its arrays in the shared blocks, zeroed, then the
    // start point and the unit direction.
    void SetUpRecord(int inode, int nLayer, const RayStarts& starts);
    int FindSurfaceCrossing(const int* surfaceIds, int nSurfaceIds, double x, double y, double z,
                            double dx, double dy, double dz, double& distance) const;
    // The ray pass search's elements for a ray from (x, y, z) along (dx, dy, dz) on search slot
    // `slot`, split into scratch.surfaceIds (faces) and scratch.cellIds (cell numbers), both
    // 1-based and in no particular order.
    void GatherPassedElements(double x, double y, double z, double dx, double dy, double dz,
                              int slot, qvr::extract::RayScratch& scratch) const;
    // What AssignNearestCells gives for the ascending list of the cells in scratch.cellIds,
    // whatever their order there: per sample point the cell with the nearest centroid, of
    // equally near ones the lowest numbered.
    int AssignNearestPassedCells(int inode, qvr::extract::RayScratch& scratch);
    // Nearest passed cell of each sample point of record inode, with the scratch of the
    // calling thread (the tool's first scratch when none is given).
    int AssignNearestCells(const int* cellIds, int nCellIds, int inode);
    int AssignNearestCells(const int* cellIds, int nCellIds, int inode,
                           qvr::extract::RayScratch& scratch);

    // Settings.
    int SelectThicknessMode(int mode);
    // 1, or -1 (unchanged) for n < 0; 0 asks for every hardware thread.
    int SelectThreadCount(int n);

    // Exact thickness mode. Sets up, once per mesh, the skin hierarchy, the cell neighbours and
    // each face's outward side and bounding cell. Returns 1.
    int PrepareExactMode();
    // Fills m_faceOutward and m_faceCell from the cell each skin face bounds. Returns 1.
    int ComputeFaceOrientation();
    // The same from the cells around the nodes of this mesh, built by the caller (Kinds::Any).
    int ComputeFaceOrientation(const qvr::geom::CellsAroundNodes& around);
    // What the wall-ray classification reads besides the rays: the faces' outward sides and
    // the skin hierarchy, built unless there. Once per mesh; callers on several threads wait for
    // the first, which builds them.
    void PrepareWallRays();
    // Whether the cell neighbours are closed as m_bFaceNeighboursClosed says (after the
    // neighbours and m_faceCell are built).
    bool FaceNeighboursClosed() const;
    // Distance along the ray from (x, y, z) along the unit direction to where it first leaves
    // the material: 1 with `distance` set, or 0 (distance 0) when it leaves nowhere ahead.
    // `startCell` receives a cell at the node (one bounding a skin face through it), or 0.
    int FindExitCrossing(double x, double y, double z, double dx, double dy, double dz,
                         double& distance, int& startCell, qvr::extract::RayScratch& scratch) const;
    // Cell of each sample point of record inode: one that contains it, found by walking the
    // cell neighbours from startCell along the ray; where none does, the nearest by centroid
    // among the cells near the point (search slot `slot`).
    int AssignContainingCells(int inode, int startCell, int slot,
                              qvr::extract::RayScratch& scratch);
    // Of the cells whose boxes hold point p (and those in scratch.visited), the nearest by
    // centroid that contains it (equally near ones: the lowest number; `contains` true), else
    // the nearest by centroid (`contains` false); 0 when there is none. The documented cell
    // choice of the exact mode. `known`, when not 0, is a cell already known to contain p, with
    // its shape function values there in knownShape: then only the cells around the face, edge
    // or corner of `known` that p lies near are candidates, only those before `known` in that
    // order are tested, and `known` stands if none of them contains p.
    int NearestContainingCell(const double p[3], int slot, qvr::extract::RayScratch& scratch,
                              bool& contains, int known = 0,
                              const double* knownShape = nullptr) const;
    // Whether solid cell `cell` contains the point, within a small tolerance of its own size.
    bool PointInCell(int cell, double x, double y, double z) const;
    // The same with the element of the cell's kind from `elements`, for runs of tests.
    bool PointInCell(int cell, double x, double y, double z,
                     qvr::extract::ShapeElements& elements) const;
    // The same, and with the cell's shape function values at the point in shape[0..nNode-1]
    // (set whenever the test gets as far as the inverse mapping; all >= 0 deep inside, the
    // smallest near 0 on a face, edge or corner, down to -kInsideShapeTolerance for a point the
    // tolerance lets in).
    bool PointInCell(int cell, double x, double y, double z, qvr::extract::ShapeElements& elements,
                     double* shape) const;

    // Fibre values at the sample points of one ray. 1, or -1 (nothing written) before rays
    // exist, for an index outside 0..m_nSurfaceNode or for a null array.
    int ExtractNodeFiber(int inode, double* dist, double* fiber1, double* fiber2, double* fiber3,
                         double* fiber4, double* fiber5, double* fiber6);

private:
    // The containment test of PointInCell; `shape`, when not null, receives the shape function
    // values (evaluated only then, or when the mapping alone does not settle the test).
    bool LocateInCell(int cell, double x, double y, double z, qvr::extract::ShapeElements& elements,
                      double* shape) const;
    // Shape function values of `cell` at the point into N[0..7], with the element of its kind
    // from `elements`; false for a cell type the element library does not interpolate (N then
    // all zero).
    bool CellShapeValues(double x, double y, double z, int cell, double* N,
                         qvr::extract::ShapeElements& elements) const;
    // Corner coordinates of `cell` into X, Y, Z[0..nNode-1], as the element library takes them.
    void CellCorners(const CInnerCell& cell, double* X, double* Y, double* Z) const;
    // The listed cells (cellIds[1..nCellIds]) that name a solid cell, in list order, into
    // scratch.cells; a null list gives none.
    void GatherListedCells(const int* cellIds, int nCellIds,
                           qvr::extract::RayScratch& scratch) const;
    // One ray: thickness, sample points and their cells, with a thread's scratch and search
    // slot. Returns whether the ray found a crossing.
    bool TraceRay(int inode, bool exact, int slot, qvr::extract::RayScratch& scratch);
    // Sets up what the selected mode needs for `threads` threads, unless already there.
    void PrepareSearch(bool exact, int threads);
    // Progress from the calling thread: about a hundred calls per trace, always the last.
    void ReportProgress(int done, int total);
    // Drops the search structures of the mesh (a new mesh is coming or has come).
    void DropSearchStructures();
    // After the kernel loaded a mesh: drops the rays and search structures and takes the new
    // tables and fibre arrays.
    int AdoptKernelMesh();
    void ReleaseRayData();
    void ReleaseFiberArrays();
    void DropMesh();
    // Returns code after keeping it and the text for GetLastErrorCode/GetLastErrorText.
    int Refuse(int code, const std::string& text);
};

#endif
