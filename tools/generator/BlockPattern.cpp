#include "BlockPattern.h"

namespace qvr::gen {

BlockKind mixedBlockKind(int block, int blocks, bool wraps, int layer) {
    const int bands = wraps ? 5 : 4;
    const long long band = static_cast<long long>(block) * bands / blocks;
    switch (band) {
        case 0: return layer % 2 == 1 ? BlockKind::Pyramid : BlockKind::Hex;
        case 1: return BlockKind::Prism;
        case 3: return BlockKind::Tet;
        default: return BlockKind::Pyramid;
    }
}

BlockKind blockKind(CellType type, int block, int blocks, bool wraps, int layer) {
    switch (type) {
        case CellType::Tet: return BlockKind::Tet;
        case CellType::Pyramid: return BlockKind::Pyramid;
        case CellType::Prism: return BlockKind::Prism;
        case CellType::Hex: return BlockKind::Hex;
        case CellType::Mixed: break;
    }
    return mixedBlockKind(block, blocks, wraps, layer);
}

double cellsPerBlock(CellType type) {
    switch (type) {
        case CellType::Tet: return 6.0;
        case CellType::Pyramid: return 6.0;
        case CellType::Prism: return 2.0;
        case CellType::Hex: return 1.0;
        case CellType::Mixed: break;
    }
    // A quarter each of hexahedron/pyramid layers (3.5), prisms (2), pyramids (6), tetrahedra (6).
    return (3.5 + 2.0 + 6.0 + 6.0) / 4.0;
}

}  // namespace qvr::gen
