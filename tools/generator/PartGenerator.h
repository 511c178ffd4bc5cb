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
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "MeshDerivation.h"
#include "NQBIO_Manipulator.h"
#include "Vec3Math.h"

namespace qvr::gen {

using meshgeom::Vec3;

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
    bool ribs = false;  // ribs standing on the top face along x
    int ribCount = 2;
    double ribHeight = 6.0;
    double ribWidth = 2.0;  // rounded to whole blocks
    bool hole = false;      // a rectangular cut-out through the plate
    std::string unit = "mm";
};
//
// Layout on the block grid (see PlateLayout): the plate has nz layers of blocks; rib r
// (0..ribCount-1) is centred on the block column that holds y = ly*(r+1)/(ribCount+1), is
// round(ribWidth/dy) blocks wide (at least 1; ribs that would overlap merge), runs the full
// length in x and stands on the top face with round(ribHeight/dz) layers of blocks (at least 1)
// of height ribHeight/layers. The cut-out takes the middle half (at least one block) of the
// blocks in x that are not at the plate's ends, and the middle half of the widest run of block
// columns in y that keeps one block clear of the plate's sides and of every rib; without such
// room (fewer than three blocks in x, or no free run of three columns in y) there is no cut-out.
// Mixed cuts the block columns along x into four bands: hexahedra with every odd block layer as
// pyramids, then prisms, pyramids and tetrahedra (pyramids next to tetrahedra become tetrahedron
// pairs); it holds all four kinds from nx = 4 on.
//
// Unusable settings (a size that is not positive or above 1e9 mm, a block count below 1,
// ribCount below 0, more than 2^27 blocks in the grid, whose rib layers span the whole plate)
// give an empty mesh (no nodes, no cells) with the given unit.
nqbio::MeshData makePlate(const PlateSpec& params);

// Where the features of makePlate's part fall on its block grid; block ranges are [begin, end).
struct PlateLayout {
    int nx = 0, ny = 0, nz = 0;  // plate blocks
    double dx = 0.0, dy = 0.0, dz = 0.0;
    int ribLayers = 0;  // block layers of the ribs, 0 without ribs
    double ribLayerHeight = 0.0;
    std::vector<std::array<int, 2>> ribColumns;  // y block ranges, ascending and disjoint
    bool hole = false;
    std::array<int, 2> holeX{}, holeY{};
};
// False (layout untouched) for settings that makePlate refuses.
bool plateLayout(const PlateSpec& params, PlateLayout& layout);

// The default plate (40 x 20 x 2 mm, default ribs when `ribs`) on a grid sized so that the
// part has about `cells` cells: blocks close to cubes, at least two block layers through the
// thickness (flatter blocks for small counts), at least one block along x and y.
PlateSpec plateForCellCount(long long cells, CellType type, bool ribs);

// A tube along z: inner radius, wall thickness, length; nTheta blocks around, nWall through the
// wall, nZ along. Faceted: the true wall thickness holds at the mid-chord of each facet only.
// The facets touch the circles of the given radii at their mid-chords (the nodes lie at
// radius r / cos(pi / nTheta)), so the wall measured square to a facet is `wall` everywhere.
// Block axes: through the wall, around (counter-clockwise seen from +z), along z. Mixed uses
// the plate's bands around the tube with a fifth band of pyramids closing the ring (all four
// kinds from nTheta = 5 on). Unusable settings (sizes not positive or above 1e9 mm, nTheta
// below 3, nWall or nZ below 1, more than 2^27 blocks) give an empty mesh.
struct TubeSpec {
    double innerRadius = 10.0, wall = 2.0, length = 20.0;
    int nTheta = 64, nWall = 4, nZ = 10;
    CellType type = CellType::Hex;
};
nqbio::MeshData makeTube(const TubeSpec& params);

// Rigid rotation about an axis through the origin (angle in radians), and uniform scaling of
// the coordinates (the unit text stays as it is; volumes scale by factor^3).
// rotate turns counter-clockwise seen from the tip of `axis`; the volumes stay. A zero or
// non-finite axis or angle leaves the mesh unchanged. scale multiplies the stored volumes by
// factor^3; a factor that is not positive and finite, or one that would carry a coordinate or
// volume beyond the float range, leaves the mesh unchanged. Both return whether they changed
// the mesh as asked (true also for a zero angle or a factor of 1).
bool rotate(nqbio::MeshData& mesh, std::array<double, 3> axis, double angle);
bool scale(nqbio::MeshData& mesh, double factor);

// Skin and cell volumes from the node coordinates (see MeshDerivation.h).
using meshgeom::computeVolumes;
using meshgeom::deriveSkin;

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
//
// The result has nodeCount = mesh node count, elemCount = cell count and six element items in
// the order a11, a22, a33, a12, a13, a23 (ids 4, 5, 6, 9, 10, 11, k7t::kFiberItemNames, empty
// unit); the Affine arrays are indexed in the same order. A cell's centroid is the mean of its
// nodes; a cell that names a node outside 1..nodeCount is placed at the origin.
// SkinShellCore: s = (z - zBottom) / (zTop - zBottom) clamped to [0, 1] (rib cells above the
// plate count as top shell), or 0.5 everywhere when zTop - zBottom is not positive and finite.
// With d = |2s - 1| (0 mid-plane, 1 at either face) and w = 1 / (1 + exp(-(d - 0.55) / 0.08)):
// a11 = 0.25 + 0.5 w, a33 = 0.04, a22 = 1 - a11 - a33, a12 = 0.03 (1 - 2s), a13 = 0.01 (2s - 1),
// a23 = 0.005; every row is diagonally dominant, so the tensor is positive definite.
// Affine values beyond the float range are written as infinities of their sign.
k7t::ResultFile makeFiberResult(const nqbio::MeshData& mesh, const FiberSpec& params);

}  // namespace qvr::gen

#endif
