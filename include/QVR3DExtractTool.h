/*
 * QVR3DExtractTool: through-thickness fibre-orientation values at the skin nodes of a moulded
 * part.
 *
 * The tool owns one search kernel (CQVROptKer). A host drives it in this order:
 *   1. SetMeshFileName   - load the part's mesh;
 *   2. SetK7TFileName    - load the fibre-orientation results of a filling analysis;
 *   3. SetSurfaceNode    - hand in skin nodes with a ray direction each: the tool measures the
 *                          thickness along every ray and places sample points over it;
 *   4. GetFiber          - per skin node: each sample point's depth and six fibre values.
 * Steps 2 and 3 may come in either order; both need step 1, GetFiber needs steps 1 and 3 (and
 * step 2 for anything but zeros). SetSurfaceNode may be called again with other nodes; GetFiber
 * refers to the latest call. SetThicknessMode chooses how SetSurfaceNode measures the
 * thickness: by default as described at SetSurfaceNode, or exactly (QVRThicknessMode).
 *
 * Conventions:
 *  - Every array is one-based: entry 0 is never read or written, items sit at 1..count.
 *  - Lengths are millimetres (the mesh file's unit is converted on loading).
 *  - Results: 1 success, -1 failure; SetMeshFileName passes on the kernel's code (3301 for a
 *    mesh file that cannot be read); SetMeshArrays and SetFiberValues, which take arrays
 *    instead of files, return a QVRArrayStatus value (1 on success).
 *  - Misuse is safe: a call out of order, a null array or an index out of range returns -1 and
 *    changes nothing (details per member). No call throws, except that a failed allocation
 *    raises std::bad_alloc (the tool is then in a valid state, as noted per member).
 *  - Not thread-safe: one tool is used by one thread at a time; separate tools share nothing.
 *    SetSurfaceNode may itself trace on several threads (SetThreadCount); the results do not
 *    depend on how many.
 *  - Nothing is written to standard output except the messages named below.
 *
 * Copying is forbidden: the tool owns its kernel, tables and arrays, and a copy would leave two
 * owners of the same memory.
 *
 * This header compiles as C++17 and later.
 */
#ifndef QVR3DEXTRACTTOOL_H
#define QVR3DEXTRACTTOOL_H

#include "QVROptKer.h"
#include "QVROptKerExport.h"

class CExtractToolData;

/*
 * How SetSurfaceNode measures the thickness along a ray (SetThicknessMode).
 *
 * QVR_THICKNESS_CENTROID_PLANE (the default): the distance from the node to the centroid
 *   plane of the nearest skin face whose triangles the line through the node meets, on either
 *   side of the node. A face through the node counts with its distance, which is 0 or a
 *   rounding residue: on sloped faces the thickness may collapse to such a residue.
 *   Triangles of doubled projected area below 0.006 mm^2 are never met. Sample points get the
 *   passed cell with the nearest centroid.
 *
 * QVR_THICKNESS_EXACT: the length of the first stretch of the ray (ahead of the node only)
 *   inside the material, measured to the actual point where the ray meets a skin face (a
 *   quadrilateral as the two triangles on either side of its longest node-to-node segment).
 *   The faces are found through a hierarchy over the skin triangles, built on the first exact
 *   SetSurfaceNode after a mesh is set and kept until the next SetMeshFileName, and met by a
 *   watertight test without any tolerance: a ray through an edge or a corner shared by faces
 *   meets exactly one of them, so no ray slips between faces and none is counted twice, at any
 *   scale. A ray exactly along an edge or through a corner is settled as if shifted very
 *   slightly into the material at the node. Faces with a corner at the node (within 1e-9 of
 *   the face's extent) are ignored. A face whose outward normal points along the ray is an
 *   exit, against it an entry; the outward side is taken from the cell the face bounds,
 *   whatever its corner order. The thickness is the distance to the first exit after which the
 *   ray does not come straight back in: a ray touching a hole's wall at an edge or corner (met
 *   as an exit and an entry of the same edge or corner, or taking the ray out of the material
 *   by no more than 1e-6 of its scale - the largest coordinate of the node, or the distance
 *   travelled - which is what nodes stored in single precision can tell) goes on, and so does
 *   a ray that runs along a face within that much. A ray that leaves nowhere ahead gets
 *   thickness 0 (every sample point on the node) and is counted by GetNoCrossingCount; so may
 *   a ray that runs exactly along the skin (say from a plate's rim along its side wall) when
 *   the far edge lies, rounded, just outside it. Each sample point gets a cell that contains
 *   it (the element library's inverse mapping, shape function values no lower than -1e-7),
 *   found by walking from a cell at the node through face neighbours towards the point; only
 *   when none contains it, of the cells whose boxes hold the point the one with the nearest
 *   centroid. Where several cells contain a point (on, or within that tolerance of, a face,
 *   edge or corner they share), the one with the nearest centroid is chosen, of equally near
 *   ones the lowest numbered, as a test of every cell the ray passes in order of centroid
 *   distance would choose.
 *   The direction is expected to point into the part, as a negated outward node normal does;
 *   entries met before the first exit are passed over.
 *   Every decision is relative or exact, so results do not depend on the length unit or the
 *   scale.
 */
enum QVRThicknessMode { QVR_THICKNESS_CENTROID_PLANE = 0, QVR_THICKNESS_EXACT = 1 };

/*
 * Progress of SetSurfaceNode: called with the number of rays traced so far and the total,
 * about every 1% of the rays and always once with done == total, always on the thread that
 * called SetSurfaceNode (on several threads, as often as that thread gets to it: counts may
 * skip). `user` is the pointer given to SetProgressCallback. The callback must not call back
 * into the tool, and must not throw.
 */
typedef void (*QVRProgressCallback)(int done, int total, void* user);

class QVROPTKER_API QVR3DExtractTool {
public:
    /* Creates the tool and its kernel (print level 0, so the kernel stays silent). A failed
     * allocation raises std::bad_alloc and leaves nothing allocated. */
    QVR3DExtractTool();
    /* Releases the kernel with its mesh, the fibre arrays and the ray records. */
    ~QVR3DExtractTool();
    QVR3DExtractTool(const QVR3DExtractTool&) = delete;
    QVR3DExtractTool& operator=(const QVR3DExtractTool&) = delete;

    /*
     * Loads a mesh file into the tool's kernel (only the nodes that solid cells use are kept)
     * and sizes the twelve fibre arrays for it, all at 0.
     * Returns 1, or the kernel's code when the file cannot be read (3301 for a missing,
     * damaged or null file name); the tool then keeps its previous mesh, results and rays.
     * A refusal is announced by the kernel's line "Error 3301: Can't open mesh file !" on
     * standard output (and the reader's diagnostic on standard error, which GetLastErrorText
     * also gives); SetQuietReading can keep either quiet.
     * A successful call replaces the previous mesh and drops the fibre values and the ray
     * records of the previous mesh: SetK7TFileName and SetSurfaceNode must follow again.
     * After std::bad_alloc the tool holds no mesh (as if never loaded).
     */
    int SetMeshFileName(char* fileName);

    /*
     * Loads a mesh handed in as arrays, as SetMeshFileName loads a mesh file: the arguments are
     * those of CQVROptKer::SetMeshArrays (only the nodes that solid cells use are kept), and the
     * tool then holds exactly what it holds after loading a mesh file with the same content.
     * Returns QVR_ARRAYS_OK (1), or another QVRArrayStatus value with the tool unchanged (its
     * mesh, results and rays kept) and GetLastErrorText saying why. A successful call drops
     * the fibre values and rays of the previous mesh, as SetMeshFileName does; after
     * std::bad_alloc the tool holds no mesh.
     */
    int SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                      const QVRIndexBlock* cellBlocks, int faceBlockCount,
                      const QVRIndexBlock* faceBlocks, const char* unit);

    /*
     * Reads the six fibre-orientation items of a result file (ids 4, 5, 6, 9, 10, 11: a11, a22,
     * a33, a12, a13, a23) per solid cell and averages each onto the nodes (plain mean over the
     * cells listing the node). Cavity element e of the file is solid cell e of the mesh.
     * Returns 1 when the file was read. Items missing from the file read as 0.
     * Returns -1 and changes nothing: before a successful SetMeshFileName; for a null name; for
     * a file that cannot be opened, is not a result file, is damaged or is a text result file;
     * for a file with more cavity elements than the mesh has solid cells (it belongs to another
     * mesh; one line on standard output says so).
     * With fewer cavity elements than cells, the remaining cells keep their earlier values.
     * Loading another file on the same mesh gives exactly that file's node means.
     */
    int SetK7TFileName(char* fileName);

    /*
     * Takes the six fibre-orientation values of every solid cell from an array instead of a
     * result file: values[6 * (c - 1) + k] is component k (a11, a22, a33, a12, a23, a13, the
     * order of GetFiber's outputs) of solid cell c = 1..cellCount, and cellCount must be the
     * mesh's cell count. The node means follow as for SetK7TFileName; a result file holds
     * single-precision values, so handing in the file's values gives its profiles bit for bit.
     * Returns QVR_ARRAYS_OK (1); QVR_ARRAYS_NO_MESH before a mesh is set,
     * QVR_ARRAYS_INVALID_ARGUMENT for a null array or another cell count, QVR_ARRAYS_NOT_FINITE
     * for a value that is not finite: the tool is then unchanged and GetLastErrorText says
     * why.
     */
    int SetFiberValues(int cellCount, const double* values);

    /*
     * Hands in nNode skin nodes: coordinates x, y, z and ray directions Ax, Ay, Az (any length;
     * stored as unit vectors, a zero direction stays zero), each array read at entries
     * 1..nNode during the call only. In the default thickness mode (the exact mode is
     * described at QVRThicknessMode) for each node the tool finds the nearest skin face whose
     * centroid plane the line through the node along the direction crosses, on either side of
     * the node (the thickness t; 1e30 when nothing is crossed), places nLayer sample points
     * evenly from the node (point 1) to the crossing (point nLayer), and gives each point the
     * solid cell with the nearest centroid among the cells the ray passes (none when no such
     * cell lies closer than 1e15 mm).
     * Returns 1, or -1 with nothing changed when nNode < 1, nLayer < 2, an array is null, or no
     * mesh is set. The results replace those of any earlier call. A progress callback, when set
     * (SetProgressCallback), hears of the rays as they are traced.
     * After std::bad_alloc the tool has no ray records (GetFiber then returns -1).
     */
    int SetSurfaceNode(int nNode, int nLayer, double* x, double* y, double* z, double* Ax,
                       double* Ay, double* Az);

    /*
     * For skin node inode (1..nNode of the last SetSurfaceNode) writes, for sample points
     * j = 1..nLayer: dist[j], the point's distance from the node (0 at the node, t at the
     * last point), and fiber1[j]..fiber6[j], the node means of a11, a22, a33, a12, a23, a13
     * interpolated with the shape functions of the point's cell. A point without a cell gets
     * 0 for its distance and all six values. A cell of a node count other than 4, 5, 6 or 8
     * gives 0 for its values and the line "unknown cell type, Nnode = <n>" on standard output
     * once per component (six times per point). Every array needs nLayer + 1 entries; entry 0
     * is never touched.
     * Returns 1; inode 0 writes nothing and returns 1. Returns -1 and writes nothing: before
     * SetSurfaceNode (or after a new SetMeshFileName), for inode below 0 or above nNode, or
     * when any array is null. Changes no state: repeated calls give identical output.
     */
    int GetFiber(int inode, double* dist, double* fiber1, double* fiber2, double* fiber3,
                 double* fiber4, double* fiber5, double* fiber6);

    /*
     * Selects the thickness mode of the following SetSurfaceNode calls (QVRThicknessMode).
     * Returns 1, or -1 for any other value (the mode is then unchanged). Rays already traced
     * keep their results. May be called at any time, also before a mesh is set.
     */
    int SetThicknessMode(int mode);
    /* The mode selected; QVR_THICKNESS_CENTROID_PLANE until SetThicknessMode changes it. */
    int GetThicknessMode() const;

    /*
     * Threads SetSurfaceNode traces its rays on: n >= 1, or 0 for every hardware thread.
     * Each thread has its own search slot and working storage; the ray records, the fibre
     * values and the no-crossing count are bit for bit the same whatever the count, and the
     * progress callback is still called from the calling thread only. Returns 1, or -1 for
     * n < 0 (the count is then unchanged). May be called at any time, also before a mesh is
     * set. The search set-up is kept between SetSurfaceNode calls on the same mesh; a larger
     * count than before sets it up again once, with more slots.
     */
    int SetThreadCount(int n);
    /* Threads SetSurfaceNode traces on: 1 until SetThreadCount changes it (0 is reported as the
     * hardware thread count it stood for). */
    int GetThreadCount() const;

    /*
     * Rays of the last successful SetSurfaceNode that found no crossing: in the exact mode
     * those that leave the material nowhere ahead (thickness 0), in the centroid-plane mode
     * those whose thickness stayed at 1e30. 0 before any SetSurfaceNode and after a new mesh.
     */
    int GetNoCrossingCount() const;

    /*
     * Sets the progress callback of SetSurfaceNode (see QVRProgressCallback); a null callback
     * removes it. Results do not depend on it. Returns 1. May be called at any time.
     */
    int SetProgressCallback(QVRProgressCallback callback, void* user);

    /*
     * Why the last SetMeshFileName, SetMeshArrays, SetK7TFileName or SetFiberValues was
     * refused, as one line without a line end, so that a host can report a refused file
     * without reading it itself or capturing standard error: for a mesh, the kernel's text
     * (CQVROptKer::GetLastErrorText: the mesh reader's diagnostic, or the first fault of the
     * arrays); for a result file, the result reader's reason, or the line about another mesh's
     * results, or a word on the call's order or null name; for fibre values, the first fault.
     * "" while none has been refused since the tool was made or since the last one that
     * succeeded. Never null; valid until the next of those calls. Reading it changes nothing.
     */
    const char* GetLastErrorText() const;
    /* The code the refused call returned (3301, -1 or a QVRArrayStatus value), or 0 when
     * GetLastErrorText is "". */
    int GetLastErrorCode() const;

    /*
     * Extension, off by default (0): how quietly SetMeshFileName refuses a mesh file, as
     * CQVROptKer::SetQuietReading sets it on the tool's kernel (1: the reader's diagnostic kept
     * off standard error; 2: the kernel's "Error 3301" line kept off standard output as well).
     * The reason is still given by GetLastErrorText. Returns 1, or -1 for any other value (the
     * setting is then unchanged). May be called at any time.
     */
    int SetQuietReading(int quiet);

    /*
     * Extension: the tool's own kernel, lent to the host to read: the mesh as the tool loaded
     * it (nodes, skin faces, cells, counts, GetMeshUnitText) and its const queries
     * (ComputeNodeSurfaceNormal), so that a host needs no second kernel and no second read of
     * the mesh file. Never null; before a mesh is set the kernel holds none.
     *
     * Pitfalls: the kernel stays the tool's.
     *  - Its tables are replaced by the next successful SetMeshFileName or SetMeshArrays, and
     *    everything goes with the tool: pointers taken from it (m_pNode, m_pSurface, p_Cell and
     *    the arrays behind them) dangle after either. Take them again after a new mesh.
     *  - SetSurfaceNode sets up and uses the kernel's search (boxes, tree, slot lists,
     *    MinMesh, AverageThickness) and GetWallRay reads AverageThickness; read those fields
     *    only between tool calls, never while one runs on another thread.
     *  - Do not cast the const away: the tool relies on the tables as it loaded them.
     */
    const CQVROptKer* GetKernel() const;

    /*
     * Extension: whether the ray of skin node inode (1..nNode of the last SetSurfaceNode) runs
     * through the wall (1) or along it (0). Through the wall means: the ray leaves the part
     * through a face whose outward normal lies within 30 degrees of the ray, and its length is
     * at most 1.5 times the local wall (twice the distance from the ray's midpoint to the
     * nearest skin face) or at most 1.5 times the part's average thickness (the kernel's
     * AverageThickness). Rays from narrow side faces, rims and blended edge normals run along
     * the wall; a ray that found no opposite skin is not a wall ray (0).
     * Returns -1 before SetSurfaceNode (or after a new SetMeshFileName) and for inode outside
     * 1..nNode. Changes no result.
     * Threads: calls may run on several threads at once on the same tool (any inode, the same
     * one too) and give what one thread would, as long as no other member runs meanwhile.
     * The first call after a new mesh builds what the classification searches (in the
     * centroid-plane mode: the hierarchy over the skin); calls that come meanwhile wait for it.
     */
    int GetWallRay(int inode);

private:
    CExtractToolData* m_pData; /* the tool's state; owned */
};

#endif
