// Sample parts and fibre results, generated in code: used by the qvr host (`qvr generate`,
// `qvr demo`), the tests and the benchmarks.
//
// Parts are written as nqbio::MeshData (file node numbers, 1-based) with positively oriented
// cells, their positive volumes, and the skin: every cell face used by exactly one cell, corners
// counter-clockwise seen from outside (kind 1, code 0).
#ifndef QVR_TOOLS_PART_GENERATOR_H
#define QVR_TOOLS_PART_GENERATOR_H

#include <array>
#include <string>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"

namespace qvr::gen {

enum class CellType { Tet, Pyramid, Prism, Hex, Mixed };

// Parses "tet", "pyramid", "prism", "hex", "mixed"; false for anything else.
bool parseCellType(const std::string& text, CellType& type);
const char* cellTypeName(CellType type);

// A rectangular plate [0,lx] x [0,ly] x [0,thickness] (mm) on an nx x ny x nz grid of hexahedral
// blocks; each block is one hexahedron, two prisms, six tetrahedra or six pyramids (around a
// block-centre node), or for Mixed a pattern of all four kinds that stays conforming.
struct PlateSpec {
    double lx = 40.0, ly = 20.0, thickness = 2.0;
    int nx = 20, ny = 10, nz = 4;
    CellType type = CellType::Hex;
    bool ribs = false;      // ribs standing on the top face along x
    int ribCount = 2;
    double ribHeight = 6.0;
    double ribWidth = 2.0;  // rounded to whole blocks
    bool hole = false;      // a rectangular cut-out through the plate
    std::string unit = "mm";
};
nqbio::MeshData makePlate(const PlateSpec& spec);

// The plate grid sized so that the part has about `cells` cells.
PlateSpec plateForCellCount(long long cells, CellType type, bool ribs);

// A tube along z: inner radius, wall thickness, length; nTheta blocks around, nWall through the
// wall, nZ along. Faceted: the true wall thickness holds at the mid-chord of each facet only.
struct TubeSpec {
    double innerRadius = 10.0, wall = 2.0, length = 20.0;
    int nTheta = 64, nWall = 4, nZ = 10;
    CellType type = CellType::Hex;
};
nqbio::MeshData makeTube(const TubeSpec& spec);

// Rigid rotation about an axis through the origin (angle in radians), and uniform scaling of
// the coordinates (the unit text stays as it is; volumes scale by factor^3).
void rotate(nqbio::MeshData& mesh, std::array<double, 3> axis, double angle);
void scale(nqbio::MeshData& mesh, double factor);

// Recomputes the skin (faces used by exactly one cell, oriented outward) and every cell's volume
// from the node coordinates. Used by the generators and the mesh importer.
void deriveSkin(nqbio::MeshData& mesh);
void computeVolumes(nqbio::MeshData& mesh);

// Fibre-orientation results per cell (items 4, 5, 6, 9, 10, 11; element location).
enum class FiberField {
    SkinShellCore,  // through-thickness structure of a filled plate: a11 high in the shells
                    // near both faces, low in the core, a22 complementary, a33 small; trace 1,
                    // positive semi-definite
    Affine          // each component an affine function of the cell centroid (for tests)
};
struct FiberSpec {
    FiberField field = FiberField::SkinShellCore;
    // SkinShellCore: the thickness direction is z between zBottom and zTop.
    double zBottom = 0.0, zTop = 2.0;
    // Affine: component k = c0[k] + gx[k]*x + gy[k]*y + gz[k]*z at the cell centroid.
    std::array<double, 6> c0{}, gx{}, gy{}, gz{};
};
k7t::ResultFile makeFiberResult(const nqbio::MeshData& mesh, const FiberSpec& spec);

}  // namespace qvr::gen

#endif
