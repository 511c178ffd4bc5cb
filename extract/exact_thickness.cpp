// Exact thickness: where the ray first leaves the material, found on the actual skin faces
// through the hierarchy over the skin triangles and the watertight triangle test; the mode's
// set-up (the faces' outward sides, the cell neighbours and the hierarchy); and the containing
// cell of each sample point, found by walking the cell neighbours along the ray.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "extract/CExtractToolData.h"
#include "extract/face_orientation.h"
#include "extract/tolerances.h"
#include "geometry/cells_around_nodes.h"
#include "geometry/skin_triangles.h"
#include "geometry/watertight_triangle.h"
#include "kernel/mesh_tables.h"

using qvr::extract::ExactHit;
using qvr::extract::kMaxGrazePasses;
using qvr::extract::kMaxWalkSteps;
using qvr::extract::kNodeCoincidenceRelative;
using qvr::extract::kSharedBoundaryDepth;
using qvr::extract::kTouchRelative;
using qvr::extract::kTouchWindowRelative;
using qvr::extract::RayScratch;

namespace {

// How deep the ray gets outside the material between leaving through one face and coming back
// through another: it moves away from the first plane and towards the second at the rates of
// their cosines, so the deepest point lies where the two distances meet.
double excursionDepth(const ExactHit& exit, const ExactHit& entry) {
    const double away = exit.cosine, back = -entry.cosine;
    return std::fabs(entry.t - exit.t) * away * back / (away + back);
}

// Whether two crossings are the ray touching the wall of a hole and coming back at once: the
// same edge or corner met as an exit and as an entry, or an excursion out of the material no
// deeper than `tolerance`.
bool touching(const ExactHit& exit, const ExactHit& entry, double tolerance) {
    if (exit.onFeature && entry.onFeature && exit.feature[0] == entry.feature[0] &&
        exit.feature[1] == entry.feature[1]) {
        return true;
    }
    return excursionDepth(exit, entry) <= tolerance;
}

}  // namespace

int CExtractToolData::PrepareExactMode() {
    if (m_bExactReady) return 1;
    {
        // One list of the cells around each node serves the faces' bounding cells and the
        // neighbour table. The faces take any cell with a node list; the table only cells of a
        // kind with faces. Both loaders hand over every cell with a list of node numbers within
        // the node table (the reader and the array check refuse others), and the arrays have
        // only cells with faces, so the two differ only for a file's part element of 1, 2, 3
        // or 7 nodes: the list is built for the faces, and the table then builds its own
        // (CellAdjacency::build says when). Either way both come out as each built from a list
        // of its own. Dropped before the hierarchy is built, so that the hierarchy's peak does
        // not sit on top of it.
        const qvr::geom::CellsAroundNodes around(p_Cell, m_nInnerCell, m_nNode,
                                                 qvr::geom::CellsAroundNodes::Kinds::Any);
        ComputeFaceOrientation(around);
        m_cellAdjacency.build(p_Cell, m_nInnerCell, m_nNode, around);
    }
    qvr::geom::buildSkinHierarchy(m_pSurface, m_nSurface, m_pNode, m_nNode, m_skinHierarchy);
    m_bFaceNeighboursClosed = FaceNeighboursClosed();
    m_bExactReady = true;
    return 1;
}

int CExtractToolData::ComputeFaceOrientation() {
    if (!HasMesh()) return ComputeFaceOrientation(qvr::geom::CellsAroundNodes());
    return ComputeFaceOrientation(qvr::geom::CellsAroundNodes(
        p_Cell, m_nInnerCell, m_nNode, qvr::geom::CellsAroundNodes::Kinds::Any));
}

int CExtractToolData::ComputeFaceOrientation(const qvr::geom::CellsAroundNodes& around) {
    if (!HasMesh()) {
        m_faceOutward.assign(static_cast<std::size_t>(m_nSurface) + 1, 1);
        m_faceCell.assign(static_cast<std::size_t>(m_nSurface) + 1, 0);
        return 1;
    }
    qvr::extract::orientSkinFaces(p_Cell, m_pSurface, m_nSurface, around, m_faceOutward,
                                  m_faceCell);
    return 1;
}

int CExtractToolData::FindExitCrossing(double x, double y, double z, double dx, double dy,
                                       double dz, double& distance, int& startCell,
                                       RayScratch& scratch) const {
    distance = 0.0;
    startCell = 0;
    if (!m_bExactReady || m_skinHierarchy.empty()) return 0;
    const double o[3] = {x, y, z}, d[3] = {dx, dy, dz};
    // A start that is not finite meets no box in order; leave it before the hierarchy visits
    // every node.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0;
    qvr::geom::ShearedRay ray{};
    const bool usable = qvr::geom::shearRay(o, d, ray);

    const double position = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    const double dLength = std::sqrt(dx * dx + dy * dy + dz * dz);
    auto extentOf = [&](const CFaceElem& face) {
        double extent = 0.0;
        const Cnode& first = m_pNode[face.pNode[1]];
        for (int k = 2; k <= face.nNode; ++k) {
            const Cnode& n = m_pNode[face.pNode[k]];
            extent = std::max({extent, std::fabs(n.x - first.x), std::fabs(n.y - first.y),
                               std::fabs(n.z - first.z)});
        }
        return extent;
    };
    // A face with a corner at the node is one of the node's own faces: never a crossing, but
    // the cell it bounds is where the walk to the sample points starts.
    auto ownFace = [&](const CFaceElem& face) {
        double extent = 0.0, nearest = std::numeric_limits<double>::infinity();
        const Cnode& first = m_pNode[face.pNode[1]];
        for (int k = 1; k <= face.nNode; ++k) {
            const Cnode& n = m_pNode[face.pNode[k]];
            extent = std::max({extent, std::fabs(n.x - first.x), std::fabs(n.y - first.y),
                               std::fabs(n.z - first.z)});
            nearest = std::min(
                nearest, std::max({std::fabs(n.x - x), std::fabs(n.y - y), std::fabs(n.z - z)}));
        }
        return nearest <= kNodeCoincidenceRelative * extent;
    };

    // The node's own faces: the boxes that hold the node. Their outward sides give the way
    // into the material, so that a ray running exactly along the skin (in the plane of one of
    // them) counts as running just inside it when it meets an edge or corner exactly.
    double inward[3] = {0.0, 0.0, 0.0};
    const double anyAxis[3] = {0.0, 0.0, 1.0};  // the boxes that hold a point, whatever d is
    m_skinHierarchy.traverse(o, usable ? d : anyAxis, 0.0, 0.0, [&](std::uint32_t i, double&) {
        const auto f = static_cast<std::size_t>(m_skinHierarchy.facet(i).item);
        const CFaceElem& face = m_pSurface[f];
        if (!ownFace(face)) return;
        if (startCell == 0) startCell = m_faceCell[f];
        inward[0] -= m_faceOutward[f] * face.ax;
        inward[1] -= m_faceOutward[f] * face.ay;
        inward[2] -= m_faceOutward[f] * face.az;
    });
    if (!usable) return 0;  // no direction (zero or not finite): it leaves nowhere ahead
    qvr::geom::nudgeRayToward(ray, inward);

    double from = 0.0;  // crossings at or before this point along the ray are passed over
    for (int pass = 0; pass < kMaxGrazePasses; ++pass) {
        std::vector<ExactHit>& hits = scratch.hits;
        hits.clear();
        m_skinHierarchy.traverse(
            o, d, from, std::numeric_limits<double>::infinity(),
            [&](std::uint32_t i, double& tFar) {
                qvr::geom::TriangleHit met[2];
                bool meets[2];
                if (m_skinHierarchy.intersect(ray, i, met, meets) == 0) return;
                const auto f = static_cast<std::size_t>(m_skinHierarchy.facet(i).item);
                const CFaceElem& face = m_pSurface[f];
                for (int part = 0; part < 2; ++part) {
                    if (!meets[part]) continue;
                    const qvr::geom::TriangleHit& h = met[part];
                    if (!(h.t > from) || h.t > tFar || ownFace(face)) continue;
                    const double along =
                        m_faceOutward[f] * (face.ax * dx + face.ay * dy + face.az * dz);
                    const double area =
                        std::sqrt(face.ax * face.ax + face.ay * face.ay + face.az * face.az);
                    const double cosine = along / (area * dLength);
                    // A face the ray runs along, within what the nodes' precision can tell:
                    // neither in nor out.
                    const double tolerance = kTouchRelative * std::max(position, h.t);
                    if (!(std::fabs(cosine) * extentOf(face) > tolerance)) continue;
                    ExactHit hit{h.t, cosine, along > 0.0, false, {0, 0}};
                    std::uint32_t corner[3];
                    m_skinHierarchy.triangleCorners(i, part, corner);
                    if (h.contact == qvr::geom::TriangleContact::Edge) {
                        const std::uint32_t a = corner[(h.feature + 1) % 3];
                        const std::uint32_t b = corner[(h.feature + 2) % 3];
                        hit.onFeature = true;
                        hit.feature[0] = std::min(a, b);
                        hit.feature[1] = std::max(a, b);
                    } else if (h.contact == qvr::geom::TriangleContact::Corner) {
                        hit.onFeature = true;
                        hit.feature[0] = hit.feature[1] = corner[h.feature];
                    }
                    hits.push_back(hit);
                    // Nothing beyond the nearest exit matters, except an entry that cancels it.
                    if (hit.exit) {
                        tFar = std::min(tFar, h.t + kTouchWindowRelative * std::max(position, h.t));
                    }
                }
            });

        std::stable_sort(hits.begin(), hits.end(),
                         [](const ExactHit& a, const ExactHit& b) { return a.t < b.t; });
        bool cancelled = false;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            if (!hits[i].exit) continue;  // already inside: an entry changes nothing
            // Leaving here, unless the ray only touches the wall and comes straight back in.
            std::size_t entry = hits.size();
            for (std::size_t j = 0; j < hits.size() && entry == hits.size(); ++j) {
                if (!hits[j].exit && hits[j].t >= 0.0 &&
                    touching(hits[i], hits[j], kTouchRelative * std::max(position, hits[i].t))) {
                    entry = j;
                }
            }
            if (entry == hits.size()) {
                // A length, whatever the length of the stored direction (for tiny directions
                // the documented guard leaves it short of 1).
                distance = hits[i].t * dLength;
                return 1;
            }
            cancelled = true;
            from = std::max({from, hits[i].t, hits[entry].t});
            hits[entry].t = -1.0;  // used up by this exit
        }
        if (!cancelled) return 0;  // no exit ahead at all
    }
    return 0;
}

int CExtractToolData::AssignContainingCells(int inode, int startCell, int slot,
                                            RayScratch& scratch) {
    if (m_pRayData == nullptr || inode < 1 || inode > m_nSurfaceNode) return -1;
    CRayData& r = m_pRayData[inode];
    int current = startCell >= 1 && startCell <= m_nInnerCell ? startCell : 0;
    scratch.aroundNodes.clear();
    scratch.aroundCells.clear();
    for (int j = 1; j <= r.nPoint; ++j) {
        const double p[3] = {r.pX[j], r.pY[j], r.pZ[j]};
        double shape[qvr::kMaxCellNodes] = {};  // of the last cell tested
        auto contains = [&](int c) {
            return PointInCell(c, p[0], p[1], p[2], scratch.elements, shape);
        };
        scratch.visited.clear();
        int cell = 0;
        if (current != 0 && m_cellAdjacency.cellCount() == m_nInnerCell) {
            cell = qvr::geom::walkToPoint(m_cellAdjacency, p_Cell, m_pNode, current, p, contains,
                                          scratch.visited, kMaxWalkSteps);
        }
        // A cell found deep inside is the only one containing p. Near its boundary a neighbour
        // may contain p as well (within the containment tolerance), and the documented choice
        // among several is the nearest centroid; so is the choice where the walk found nothing
        // (no start, a stretch outside the part, cells it cannot cross).
        bool contained = cell != 0;
        if (cell == 0 ||
            *std::min_element(shape, shape + p_Cell[cell].nNode) < kSharedBoundaryDepth) {
            cell = NearestContainingCell(p, slot, scratch, contained, cell, shape);
        }
        if (contained) current = cell;
        r.pCellID[j] = cell;
    }
    return 1;
}
