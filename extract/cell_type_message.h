// The tool's one message of its own: a solid cell whose node count the element library does not
// interpolate. Written to standard output whatever the kernel's print level.
#ifndef QVR_EXTRACT_CELL_TYPE_MESSAGE_H
#define QVR_EXTRACT_CELL_TYPE_MESSAGE_H

#include <iostream>

inline void reportUnknownCellType(int nNode) {
    std::cout << "unknown cell type, Nnode = " << nNode << std::endl;
}

#endif
