// profiles.vtu: a VTK XML unstructured grid (ASCII) with the skin and the rays.
//
// Cells: the skin faces (triangles, quadrilaterals) and one polyline per ray that found the
// opposite skin, told apart by the cell field "kind" (0 skin face, 1 ray); "node" names the
// ray's node by its number in the mesh file (0 on faces).
// Points: the skin nodes, then every ray's sample points. Point fields: "thickness" (mm),
// "depth" (mm from the ray's node), "fraction" (depth / thickness), a11 a22 a33 a12 a23 a13,
// "node", "has_profile" (1 where a profile was extracted) and "direction" (the inward unit ray
// direction, at skin nodes). On skin nodes the components are those of the first sample point.
#ifndef QVR_CLI_VTU_WRITER_H
#define QVR_CLI_VTU_WRITER_H

#include <string>

#include "extraction_run.h"

namespace qvr::cli {

void writeProfilesVtu(const std::string& path, const ExtractionRun& run);

}  // namespace qvr::cli

#endif
