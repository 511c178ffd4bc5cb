// Which side of each skin face is outside the part, and the cell the face bounds.
//
// The side is taken from the cell rather than from the corner order, so that faces written in
// either winding are read correctly: a face's area vector points out of the part when it points
// away from the centroid of the cell behind it.
#ifndef QVR_EXTRACT_FACE_ORIENTATION_H
#define QVR_EXTRACT_FACE_ORIENTATION_H

#include <vector>

#include "QVROptKer.h"
#include "geometry/cells_around_nodes.h"

namespace qvr::extract {

// For skin faces 1..faceCount: faceCell[f] the first cell on the list of the face's first corner
// that lists every corner of the face (0 for none), and outward[f] -1 when the face's area
// vector points towards that cell's centroid, else +1. Both are sized faceCount + 1 and start at
// +1 and 0; a face with fewer than three corners, no list, or a first corner outside the
// lists' nodes keeps those. `around` holds the cells around the nodes (Kinds::Any: a cell of
// any node count may bound a face).
void orientSkinFaces(const CInnerCell* cells, const CFaceElem* faces, int faceCount,
                     const geom::CellsAroundNodes& around, std::vector<signed char>& outward,
                     std::vector<int>& faceCell);

}  // namespace qvr::extract

#endif
