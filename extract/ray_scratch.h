// Working storage of one tracing thread, kept from ray to ray and from call to call so that a
// ray allocates nothing once the buffers have grown.
#ifndef QVR_EXTRACT_RAY_SCRATCH_H
#define QVR_EXTRACT_RAY_SCRATCH_H

#include <cstdint>
#include <utility>
#include <vector>

#include "extract/cell_choice.h"
#include "extract/interpolation.h"
#include "kernel/cache_line.h"

namespace qvr::extract {

// A skin crossing of an exact-mode ray. Where the ray meets a face's edge or corner exactly,
// `feature` names it by node numbers (an edge by its two, the lower first; a corner by
// itself twice), so that leaving and re-entering at the same edge or corner can be recognised.
struct ExactHit {
    double t;
    double cosine;   // between the face's outward normal and the ray: > 0 exit
    bool exit;       // through the face's outward side
    bool onFeature;  // `feature` is set
    std::uint32_t feature[2];
};

// On a cache line of its own: the vectors' ends and sizes change on every ray.
struct alignas(qvr::kCacheLineBytes) RayScratch {
    std::vector<int> surfaceIds, cellIds;  // the ray's passed faces and cells, 1-based lists
    std::vector<int> cells;                // usable passed cells, in list order
    std::vector<double> cellData;          // their centroids and point distances, by coordinate
    // Centroid-plane mode's nearest-cell search: each usable cell's centroid position along
    // the ray, the cells grouped by it (indices into `cells`), and per group where it starts
    // in that order and the least and greatest position in it.
    std::vector<double> along;
    std::vector<int> byPosition, groupStart;
    std::vector<double> groupLow, groupHigh;
    std::vector<int> cellGroup;  // while grouping: each cell's group
    std::vector<ExactHit> hits;
    std::vector<int> visited;                        // cells a walk tested
    std::vector<std::pair<double, int>> candidates;  // cells near a point: squared distance, cell
    // The last cells gathered around a face, edge or corner of one ray's sample points: the
    // nodes it is named by (ascending) and the cells sharing them. Consecutive points on one
    // edge or face share the group; cleared at the start of each ray.
    std::vector<int> aroundNodes, aroundCells;
    ShapeElements elements;  // one element per cell kind for containment tests
};

}  // namespace qvr::extract

#endif
