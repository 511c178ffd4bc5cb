// A mesh handed in as arrays, checked and turned into the content a mesh file holds.
//
// The kernel and the extraction tool load such content exactly as they load a mesh file, so a
// mesh from arrays and the same mesh written to a file and read back cannot drift apart.
#ifndef QVR_KERNEL_MESH_ARRAYS_H
#define QVR_KERNEL_MESH_ARRAYS_H

#include <string>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"

namespace qvr {

// The arguments of SetMeshArrays (see QVROptKer.h), read during the call only.
struct MeshArrays {
    int nodeCount = 0;
    const double* xyz = nullptr;
    int cellBlockCount = 0;
    const QVRIndexBlock* cellBlocks = nullptr;
    int faceBlockCount = 0;
    const QVRIndexBlock* faceBlocks = nullptr;  // null: derive the skin
    const char* unit = nullptr;                 // null: millimetres
};

// The first fault found in the arrays: a QVRArrayStatus value and one line of text.
struct ArrayFault {
    int status = QVR_ARRAYS_OK;
    std::string text;
};

// Checks the arrays and fills `content` as a mesh file would hold them: single-precision
// coordinates, 1-based node numbers, ordinary cells with their volumes, skin faces of kind 1
// (given or derived). False with `fault` set, and `content` unusable, for bad arrays.
bool buildMeshContent(const MeshArrays& arrays, nqbio::MeshData& content, ArrayFault& fault);

// Replaces the kernel's mesh by `content` from buildMeshContent, building the tables as
// ReadMeshData builds them from a file with the same content (allNodeFlag as there). Nothing
// is printed and m_bFormatFlag stays. The search tree is left to the caller (SetMeshArrays
// drops it, a fresh kernel has none). A failed allocation raises std::bad_alloc and leaves the
// previous mesh in place.
void installMeshContent(CQVROptKer& kernel, const nqbio::MeshData& content, int allNodeFlag);

}  // namespace qvr

#endif
