// Which block kind the generators put where.
#ifndef QVR_TOOLS_GENERATOR_BLOCK_PATTERN_H
#define QVR_TOOLS_GENERATOR_BLOCK_PATTERN_H

#include "BlockGrid.h"
#include "PartGenerator.h"

namespace qvr::gen {

// The mixed pattern cuts the part into bands across one block axis, in this order:
//   0 hexahedra, with every odd layer of blocks cut into pyramids instead
//   1 prisms      (their quadrilateral sides face bands 0 and 2)
//   2 pyramids    (their faces towards band 3 turn into tetrahedron pairs)
//   3 tetrahedra
//   4 pyramids    (only where the band axis wraps around, so that band 3 never meets band 0)
// `block` is the block's index along the band axis (0..blocks-1), `layer` its index along the
// block axis k. With fewer blocks than bands some kinds are missing.
BlockKind mixedBlockKind(int block, int blocks, bool wraps, int layer);

// The block kind of a uniform part, or for Mixed the mixed pattern.
BlockKind blockKind(CellType type, int block, int blocks, bool wraps, int layer);

// Average number of cells per block of a part of this type (for sizing).
double cellsPerBlock(CellType type);

}  // namespace qvr::gen

#endif
