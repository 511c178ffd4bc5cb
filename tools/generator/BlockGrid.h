// A structured lattice of hexahedral blocks, each filled with cells of one kind, turned into a
// conforming cell mesh. The plate and the tube generators lay out their blocks on one.
//
// Block (i, j, k) spans lattice points i..i+1, j..j+1, k..k+1; its corners c0..c7 are taken in
// the hexahedron order (c0 (i,j,k), c1 (i+1,j,k), c2 (i+1,j+1,k), c3 (i,j+1,k), then the same at
// k+1). The lattice must map (i, j, k) to a right-handed frame so that the cells come out
// positively oriented. Axis j may wrap around (lattice point j = n1 is j = 0).
#ifndef QVR_TOOLS_GENERATOR_BLOCK_GRID_H
#define QVR_TOOLS_GENERATOR_BLOCK_GRID_H

#include <cstdint>
#include <string>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "Vec3Math.h"

namespace qvr::gen {

using meshgeom::Vec3;

// How one block is cut:
//  Hex      one hexahedron; all six faces stay quadrilaterals.
//  Prism    two prisms through the vertical diagonal plane c0 c2 c6 c4; the k faces are split
//           along c0-c2 (c4-c6), the other faces stay quadrilaterals.
//  Tet      six tetrahedra around the diagonal c0-c6; every face is split along the diagonal
//           from its lowest to its highest corner, so neighbouring blocks always match.
//  Pyramid  a node at the block centre and one pyramid on each face; a face whose neighbour is
//           split into triangles gets two tetrahedra instead, cut along that neighbour's diagonal.
enum class BlockKind : std::uint8_t { Empty, Hex, Prism, Tet, Pyramid };

// More blocks than this are refused by the generators (the cells would overflow the file's
// 32-bit numbering long before memory runs out on a usual machine).
constexpr long long kMaxBlocks = 1LL << 27;

// Longest extent a generated part may have, in mm (default 1e9): its coordinates and cell
// volumes then stay well inside the float range.
constexpr double kMaxLength = 1e9;

class BlockGrid {
public:
    // Blocks along the three axes (each at least 1; at least 3 along a wrapping axis j).
    BlockGrid(int n0, int n1, int n2, bool wrapJ);

    int blocks(int axis) const { return n_[axis]; }
    void setKind(int i, int j, int k, BlockKind kind) { kinds_[blockIndex(i, j, k)] = kind; }
    // Empty outside the lattice.
    BlockKind kind(int i, int j, int k) const;
    void setPoint(int i, int j, int k, Vec3 point) { points_[pointIndex(i, j, k)] = point; }

    // Turns every prism or tetrahedron block that meets a neighbour face it cannot match into a
    // pyramid block, which matches anything.
    void makeConforming();

    // The mesh: the lattice points that a block uses (in lattice order), then the block centres;
    // cells block by block; volumes and skin filled in.
    nqbio::MeshData build(const std::string& unit) const;

private:
    std::size_t blockIndex(int i, int j, int k) const;
    std::size_t pointIndex(int i, int j, int k) const;
    bool splitFace(int i, int j, int k, int face) const;
    int cellCount(int i, int j, int k) const;

    int n_[3];
    bool wrapJ_;
    int pointsJ_;  // lattice points along j that are distinct
    std::vector<BlockKind> kinds_;
    std::vector<Vec3> points_;
};

}  // namespace qvr::gen

#endif
