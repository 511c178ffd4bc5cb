// The faces of the four linear cell kinds, in the file's node order, each listed
// counter-clockwise seen from outside a positively oriented cell (right-hand normal outward).
// Positive orientation: the first face (tetrahedron: corners 1 2 3; pyramid: the base;
// prism: the first triangle; hexahedron: corners 1 2 3 4) turns counter-clockwise seen from the
// rest of the cell.
#ifndef QVR_MESHGEOM_CELL_FACES_H
#define QVR_MESHGEOM_CELL_FACES_H

namespace qvr::meshgeom {

struct CellFace {
    int count;      // 3 or 4 corners
    int corner[4];  // zero-based positions in the cell's node list
};

struct CellFaceTable {
    int faceCount;
    CellFace face[6];
};

// Face table for a cell with `nodeCount` nodes, or nullptr when the count is not one of the four
// linear kinds (4, 5, 6, 8).
inline const CellFaceTable* cellFaces(int nodeCount) {
    static const CellFaceTable tet{
        4, {{3, {0, 2, 1, 0}}, {3, {0, 1, 3, 0}}, {3, {1, 2, 3, 0}}, {3, {2, 0, 3, 0}}}};
    static const CellFaceTable pyramid{5,
                                       {{4, {0, 3, 2, 1}},
                                        {3, {0, 1, 4, 0}},
                                        {3, {1, 2, 4, 0}},
                                        {3, {2, 3, 4, 0}},
                                        {3, {3, 0, 4, 0}}}};
    static const CellFaceTable prism{5,
                                     {{3, {0, 2, 1, 0}},
                                      {3, {3, 4, 5, 0}},
                                      {4, {0, 1, 4, 3}},
                                      {4, {1, 2, 5, 4}},
                                      {4, {2, 0, 3, 5}}}};
    static const CellFaceTable hex{6,
                                   {{4, {0, 3, 2, 1}},
                                    {4, {4, 5, 6, 7}},
                                    {4, {0, 1, 5, 4}},
                                    {4, {1, 2, 6, 5}},
                                    {4, {2, 3, 7, 6}},
                                    {4, {3, 0, 4, 7}}}};
    switch (nodeCount) {
        case 4: return &tet;
        case 5: return &pyramid;
        case 6: return &prism;
        case 8: return &hex;
        default: return nullptr;
    }
}

}  // namespace qvr::meshgeom

#endif
