/*
 * QVROptKer: geometry search kernel for the 3-D finite-element mesh of one moulded part.
 *
 * The kernel loads a mesh file (nodes, solid cells, skin faces), scales it to millimetres and
 * answers geometric questions: which elements lie near a box, which elements a ray passes, the
 * area-weighted normal at each skin node, and smoothing of values over the skin.
 *
 * Conventions every caller must know:
 *  - Every table and per-item array is one-based: it holds count + 1 entries, entry 0 is never
 *    an item, and the number 0 stands for "no item". Arrays handed in follow the same rule,
 *    except the plain zero-based blocks of SetMeshArrays (see QVRIndexBlock).
 *  - After InitialzeSearch, element ids 1..m_nSurface are skin faces (m_pSurface) and an id k
 *    above m_nSurface is the solid cell k - m_nSurface (p_Cell).
 *  - Lengths are millimetres once a mesh is loaded.
 *  - No member throws an exception of its own; a failed allocation raises std::bad_alloc.
 *  - One kernel is used by one thread at a time, with one exception: once InitialzeSearch has
 *    returned, SearchNearBlockID and FindPassElemByAnyRay may run at the same time from
 *    different threads on different slots (each slot has its own work lists and result
 *    lists; the tree, the tables and MinMesh are only read). Calls on the same slot must not
 *    overlap, and nothing else (loading, set-up, resetMinMesh, the public tree building, the
 *    skin operations) may overlap any search. Search slots also let a caller keep the results
 *    of several searches side by side.
 *
 * This header compiles as C++17 and later.
 */
#ifndef QVROPTKER_H
#define QVROPTKER_H

#include "QVROptKerExport.h"

class CQVRKNLogErrMsgTool;
class CQvrADT;
struct CQVROptKerExtras;

/* Module sample export: returns 42. Nothing in the library uses it. */
QVROPTKER_API int fnQVROptKer();
/* Module sample variable, initially 0. Nothing in the library uses it. */
extern QVROPTKER_API int nQVROptKer;

/*
 * Mesh records. Each has a zeroing default constructor, a destructor that releases nothing,
 * and a member-wise copy constructor, operator= and copy(): pointers are copied, never the
 * arrays behind them.
 * The arrays belong to the table that holds the record (the kernel or the extraction tool).
 * In a face or cell table loaded by ReadMeshData all node lists lie in one block, which record
 * 0 (never an item, nNode 0) holds as its pNode.
 */

/* One node. */
class QVROPTKER_API Cnode {
public:
    double x, y, z; /* coordinates in millimetres */
    int orgID;      /* the node's number in the mesh file (1-based) */

    Cnode();
    Cnode(const Cnode& other) = default;
    ~Cnode();
    Cnode& operator=(const Cnode& other);
    void copy(Cnode& other);
};

/* One skin face: a triangle (nNode 3) or a quadrilateral (nNode 4). */
class QVROPTKER_API CFaceElem {
public:
    int nNode;
    int* pNode;              /* nNode + 1 ints; pNode[1..nNode] index m_pNode */
    double xMin, yMin, zMin; /* element box, set by InitialzeSearch */
    double xMax, yMax, zMax;
    double zMid;       /* (zMin + zMax) / 2 */
    double xc, yc, zc; /* centroid: mean of the corners */
    double ax, ay, az; /* area vector: length = area, right-hand rule of corner order */

    CFaceElem();
    CFaceElem(const CFaceElem& other) = default;
    ~CFaceElem();
    CFaceElem& operator=(const CFaceElem& other);
    void copy(CFaceElem& other);
};

/* One solid (part) cell: 4 tetrahedron, 5 pyramid, 6 prism, 8 hexahedron nodes. */
class QVROPTKER_API CInnerCell {
public:
    int nNode;
    int* pNode;              /* nNode + 1 ints; pNode[1..nNode] index m_pNode */
    double xMin, yMin, zMin; /* element box, set by InitialzeSearch */
    double xMax, yMax, zMax;
    double zMid;       /* (zMin + zMax) / 2 */
    double xc, yc, zc; /* centroid: mean of the nodes */

    CInnerCell();
    CInnerCell(const CInnerCell& other) = default;
    ~CInnerCell();
    CInnerCell& operator=(const CInnerCell& other);
    void copy(CInnerCell& other);
};

/* One ray through the part's thickness at a skin node (filled by the extraction tool). */
class QVROPTKER_API CRayData {
public:
    int nPoint;        /* number of sample points, 2 or more */
    double dx, dy, dz; /* unit direction */
    double* pX;        /* nPoint + 1 coordinates; point 1 is the skin node */
    double* pY;
    double* pZ;
    double* pDist; /* nPoint + 1 distances from the node along the ray */
    int* pCellID;  /* nPoint + 1 solid cells, 0 for none */

    CRayData();
    CRayData(const CRayData& other) = default;
    ~CRayData();
    CRayData& operator=(const CRayData& other);
    void copy(CRayData& other);
};

/*
 * A block of cells or skin faces handed in as an array (SetMeshArrays): `count` items of
 * `nodesPerItem` node positions each, item after item. Positions are zero-based: 0 is the first
 * node of the coordinate array (the node numbered 1 in a mesh file).
 */
struct QVRIndexBlock {
    int nodesPerItem; /* cells: 4 tetrahedron, 5 pyramid, 6 prism, 8 hexahedron; faces: 3, 4 */
    int count;
    const int* nodes; /* count * nodesPerItem entries */
};

/*
 * Results of the entry points that take arrays (SetMeshArrays here, SetMeshArrays and
 * SetFiberValues of the extraction tool). Every refusal leaves the object unchanged, and the
 * object's GetLastErrorText then describes the first fault found in one line, naming the item
 * by its zero-based position.
 */
enum QVRArrayStatus {
    QVR_ARRAYS_OK = 1,
    QVR_ARRAYS_INVALID_ARGUMENT = -2,  /* a count or shape that cannot be, a null array, no cells */
    QVR_ARRAYS_NODE_OUT_OF_RANGE = -3, /* a cell or face names a node outside the array */
    QVR_ARRAYS_NOT_FINITE = -4,        /* a coordinate or value that is not a finite number, or
                                          a coordinate beyond single precision */
    QVR_ARRAYS_BAD_CELL = -5,          /* an inverted or degenerate cell, or a face of fewer
                                          than three distinct corners */
    QVR_ARRAYS_UNKNOWN_UNIT = -6,      /* a length unit the kernel cannot convert */
    QVR_ARRAYS_NO_MESH = -7            /* (extraction tool) values handed in before a mesh */
};

/*
 * The search kernel.
 *
 * Copying is forbidden: a kernel owns its tables, tree and result lists, and a member-wise copy
 * would leave two owners of the same memory.
 *
 * Calls out of order are safe: a search before InitialzeSearch (or the public SetADTreeRange),
 * or with a slot outside 0..m_nSlotCount-1, returns count 0 and a non-null empty list and
 * changes nothing. The geometric queries on a kernel without a mesh do nothing and return 1.
 */
class QVROPTKER_API CQVROptKer {
public:
    /* Fields, in this order; hosts and the extraction tool read them directly. */
    CQVRKNLogErrMsgTool* m_pMsgTool;     /* stored by getMsgPtr, never used, not owned */
    CQvrADT* m_pADTree;                  /* the tree over surface and solid element boxes */
    Cnode* m_pNode;                      /* retained nodes 1..m_nNode */
    CFaceElem* m_pSurface;               /* retained skin faces 1..m_nSurface */
    CInnerCell* p_Cell;                  /* solid cells 1..m_nInnerCell */
    int m_nNodeInFile;                   /* node count of the file */
    int m_nNode;                         /* retained nodes */
    int m_nInnerCell;                    /* solid cells */
    int m_nSurface;                      /* retained skin faces */
    double TotalVolume;                  /* sum of cell volumes, mm^3 */
    int* m_pNodeInPart;                  /* 0..m_nNodeInFile: 1 when the file node is retained */
    int* m_pNodeKind;                    /* 0..m_nNodeInFile: 0, 1 or -1 from the cells using it */
    int* m_pNodeNewID;                   /* 0..m_nNodeInFile: number in m_pNode, 0 if dropped */
    int* m_pCellKind;                    /* 0..m_nInnerCell: 1, 0 or -1 */
    int m_nPrintLevel;                   /* progress messages appear at 1 or more */
    bool m_bFormatFlag;                  /* the mesh reader reported file format 1 (binary) */
    double Box_xMax, Box_yMax, Box_zMax; /* overall box, set by the search set-up */
    double Box_xMin, Box_yMin, Box_zMin;
    double MinMesh;          /* step length of the ray pass search */
    double AverageThickness; /* TotalVolume / (half the skin area) */
    int m_nSlotCount;        /* number of search slots */
    int** m_ppPassElemList;  /* per slot: last FindPassElemByAnyRay list */
    int** m_ppNearBlockList; /* per slot: last SearchNearBlockID list */

    CQVROptKer();
    ~CQVROptKer();
    CQVROptKer(const CQVROptKer&) = delete;
    CQVROptKer& operator=(const CQVROptKer&) = delete;

    /* Stores the host's message tool (never used). Null: returns -1 and changes nothing. */
    int getMsgPtr(CQVRKNLogErrMsgTool* tool);
    /* Sets the print level, unchecked. Returns 1. */
    int setParameter(int level);
    /* Sets MinMesh, unchecked; InitialzeSearch recomputes it. Returns 1. */
    int resetMinMesh(double size);

    /*
     * Loads a mesh file, scaling lengths to millimetres by its unit. allNodeFlag 1 keeps every
     * node of the file, any other value only the nodes that solid cells use. Returns 1, or 3301
     * when the file cannot be opened or is damaged (the reader names the fault on standard
     * error, unless SetQuietReading says otherwise, and GetLastErrorText keeps the same line);
     * the kernel is then unchanged. A null file
     * name also gives 3301. A retained skin face that uses a node no solid cell uses (possible only
     * when allNodeFlag is not 1) is dropped and does not count in m_nSurface. A successful load
     * drops the tree (the search set-up's or the host's): until the next InitialzeSearch or
     * SetADTreeRange every search returns the empty result. The slot tables and their last lists
     * stay.
     */
    int ReadMeshData(char* fileName, int allNodeFlag);

    /*
     * Loads a mesh handed in as arrays, as ReadMeshData loads a mesh file: the kernel then holds
     * exactly what it holds after loading a mesh file with the same nodes, cells (in the order
     * of the blocks, each block in its order), skin faces and unit. Coordinates are stored in
     * single precision, as the mesh file holds them, and then scaled to millimetres.
     *  - xyz: nodeCount * 3 coordinates in `unit` ("mm", "cm", "inch" or "um"; null is "mm").
     *  - cellBlocks: cellBlockCount blocks of solid cells (4, 5, 6 or 8 nodes each), oriented
     *    as in the mesh file; at least one cell. Every cell must have a positive volume
     *    (measured as for the cell volumes of a mesh file); an inverted cell, or one that
     *    repeats a node, is refused rather than turned around.
     *  - faceBlocks: the skin (triangles and quadrilaterals, listed counter-clockwise seen from
     *    outside), or null to derive it from the cells: every cell face no other cell shares,
     *    oriented outward, listed cell by cell. A non-null pointer with faceBlockCount 0 gives
     *    a mesh without skin.
     *  - allNodeFlag: as for ReadMeshData.
     * The arrays are read during the call only. Returns QVR_ARRAYS_OK (1), or one of the other
     * QVRArrayStatus values with the kernel unchanged and GetLastErrorText describing the first
     * fault. Like ReadMeshData, a successful call drops the tree; unlike it, it leaves
     * m_bFormatFlag as it is and prints nothing.
     */
    int SetMeshArrays(int nodeCount, const double* xyz, int cellBlockCount,
                      const QVRIndexBlock* cellBlocks, int faceBlockCount,
                      const QVRIndexBlock* faceBlocks, const char* unit, int allNodeFlag);

    /*
     * Why the last ReadMeshData or SetMeshArrays refused its mesh, as one line without a line
     * end, so that a host can report a refused file without reading it itself or capturing
     * standard error: for a file the mesh reader rejected, the reader's own diagnostic
     * ("file:line: what" for a text mesh, "file:offset: what" for a binary one, place 0 for
     * faults of the file as a whole: cannot be opened, not a mesh file, too large); for arrays,
     * the first fault, naming the item by its zero-based position. "" while no load has been
     * refused since the kernel was made or since the last one that succeeded. Never null; valid
     * until the next load. Reading it changes nothing.
     */
    const char* GetLastErrorText() const;
    /* The code the refused load returned (3301, or a QVRArrayStatus value), or 0 when
     * GetLastErrorText is "". */
    int GetLastErrorCode() const;

    /*
     * Extension, off by default (0), for hosts that report a refused mesh file in their own
     * words: with quiet 1 the mesh reader no longer writes its diagnostic to standard error;
     * with quiet 2 neither does the kernel write its "Error 3301" line to standard output, and
     * the refusal is told only by the result and GetLastErrorCode. Either way the reader's line
     * is kept for GetLastErrorText, and the result and the kernel's state are as without the
     * setting. Applies to the following ReadMeshData calls. Returns 1, or -1 for any other
     * value (the setting is then unchanged).
     */
    int SetQuietReading(int quiet);

    /*
     * Extension: the length unit of the mesh loaded last, as its source gave it: the unit
     * field of a mesh file's header (whether or not the kernel knows it: an unknown unit is read
     * as millimetres), or the unit handed to SetMeshArrays ("mm" for null). "" before any mesh
     * is loaded. A refused load keeps the previous text. Never null; valid until the next load.
     */
    const char* GetMeshUnitText() const;
    /*
     * Extension: the surface elements the mesh loaded last listed, whether retained as skin
     * faces or not (m_nSurface counts those retained), as m_nNodeInFile counts its nodes; for
     * SetMeshArrays the faces handed in or derived. 0 before any mesh is loaded.
     */
    int GetSurfaceCountInFile() const;

    /*
     * Joins argv[0..argc-1] with single blanks and cuts the text at each '*': field n goes to
     * out n (n <= 6). Text after the last '*' is dropped; buffers without a field are left
     * alone. Returns 1. With argc < 1 or a null argv nothing is written. A null output buffer
     * simply receives nothing.
     */
    int argumentHandle(int argc, char** argv, char* out1, char* out2, char* out3, char* out4,
                       char* out5, char* out6);

    /*
     * Search set-up: element and overall boxes, the tree over all skin faces and solid cells,
     * AverageThickness and MinMesh, and slotCount result slots. Returns 1. A slotCount below 1
     * returns -1 and changes nothing. A later call with a different slotCount resizes the slot
     * tables, keeping the lists of the slots that remain.
     */
    int InitialzeSearch(int slotCount);
    /* A tree over boxes of the host's own (maximum corner first), replacing any tree; the slot
     * tables get slotCount entries, the tree itself one slot. Returns 1; a slotCount below 1
     * returns -1 and changes nothing. */
    int SetADTreeRange(double xmax, double ymax, double zmax, double xmin, double ymin, double zmin,
                       int slotCount, int capacity, int growStep);
    /* Adds the host's box under id to that tree (maximum corner first). Returns 1; without a
     * tree nothing happens. */
    int AddSurfaceToADTree(int id, double xmax, double ymax, double zmax, double xmin, double ymin,
                           double zmin);

    /*
     * Ids of the elements whose (slightly enlarged) boxes meet the box, in the tree's visiting
     * order, at positions 0..count-1. Never null. The list stays valid until the next call on
     * the same slot (FindPassElemByAnyRay on that slot also makes such calls).
     */
    const int* SearchNearBlockID(double xmin, double ymin, double zmin, double xmax, double ymax,
                                 double zmax, int& count, int slot);

    /*
     * Candidate elements along the ray from (x, y, z) in direction (dx, dy, dz) (any length; a
     * zero direction walks +z), walked in steps of MinMesh until a step meets nothing or leaves
     * the overall box. Ascending ids, each once, never null; valid until the next call on the
     * same slot. A walk whose step no longer moves the point (MinMesh zero or tiny, infinite
     * coordinates) ends there, and no walk takes more than twice the steps a straight walk
     * across the overall box needs, and never more than 1e6 steps: only a MinMesh set below
     * about 2e-6 of the box diagonal through resetMinMesh, or NaN input, meets these bounds
     * (the set-up's own MinMesh is at least 1e-4 of the diagonal).
     */
    const int* FindPassElemByAnyRay(int& count, double x, double y, double z, double dx, double dy,
                                    double dz, int slot);
    /* c = a x b. */
    void ACrossB(double& ax, double& ay, double& az, double& bx, double& by, double& bz, double& cx,
                 double& cy, double& cz);
    /* Shell sort of key[1..n] ascending, id[1..n] moved along. Index 0 is never touched.
     * With a null array nothing happens. */
    void shellSorting(unsigned long n, double* key, int* id);

    /*
     * Adds the mean area vector (ax, ay, az as ReadMeshData stores them) of the skin faces
     * around each node to nx, ny, nz (each m_nNode + 1 entries, passed as zeros). Nodes on no
     * face keep their values. Returns 1; -1 when an array is null.
     */
    int ComputeNodeSurfaceNormal(double* nx, double* ny, double* nz);
    /* The same on a kernel a host may only read (QVR3DExtractTool::GetKernel): it changes
     * nothing in the kernel. */
    int ComputeNodeSurfaceNormal(double* nx, double* ny, double* nz) const;
    /*
     * Smooths value[1..m_nNode] over the skin, passes times: each face takes the mean of its
     * nodes, each skin node the mean of its faces. Returns 1; -1 when value is null.
     */
    int SmoothSurfaceNodeValue(double* value, int passes);

private:
    int FindOverAllBondingBox();
    int FindSurfaceBondingBox();
    int FindInnerCellBondingBox();
    int SetADTreeRange(int slotCount);
    int AddSurfaceToADTree();
    int AddInnerCellToADTree();
    int FindMinMesh();
    int ComputeAverageThickness();
    /* Releases the tree; searches then return the empty result until a new set-up. */
    void DropSearchTree();
    /* Releases the tree and both slot tables with their lists. */
    void ReleaseSearch();
    /* Keeps code and a copy of text (null as "") for GetLastErrorCode/GetLastErrorText; code 0
     * clears both. A failed allocation raises std::bad_alloc and keeps the previous text. */
    void RecordError(int code, const char* text);
    /* The extras, made on first use (a failed allocation raises std::bad_alloc). */
    CQVROptKerExtras& Extras();

    /* owned; null until needed: the last error's text, the loaded mesh's unit text and the
     * reading setting (kernel/kernel_extras.h) */
    CQVROptKerExtras* m_pExtras;
    int m_nLastErrorCode;
};

#endif
