// Whether the kernel holds a mesh the skin operations can walk.
#ifndef QVR_GEOMETRY_SURFACE_MESH_STATE_H
#define QVR_GEOMETRY_SURFACE_MESH_STATE_H

#include "QVROptKer.h"

namespace qvr {

// Nodes exist, and so does the skin table when it has faces.
inline bool holdsSkinMesh(const CQVROptKer& k) {
    return k.m_pNode != nullptr && k.m_nNode >= 0 && k.m_nSurface >= 0 &&
           (k.m_nSurface == 0 || k.m_pSurface != nullptr);
}

}  // namespace qvr

#endif
