// The ray pass search: candidate elements along a ray, gathered step by step.
//
// The step sequence is shared by the search's two ways of searching the steps.
//
// The sequence depends only on the start point, the direction and MinMesh, never on what the
// steps find: the steps can be laid out ahead of the searches without changing any of them.
//
// With the tree's walk index (the kernel's own set-up), one pass through the index covers a run
// of steps and tells for every item near the run which of its steps the item meets, with the
// tree's own float comparisons (see StepRun); the walk then ends where the step-by-step walk
// would, at the first step no item meets or at the last one, and passes what the steps up to
// there meet. Without the index (a tree the host fills through the public set-up) each step is
// one query through the public near block search.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>

#include "geometry/ray_pass_search.h"

#include "QVROptKer.h"
#include "kernel/vec3.h"
#include "search/CQvrADT.h"
#include "search/box_index.h"
#include "search/search_slots.h"

namespace qvr::ray {

// Directions shorter than this are taken as +z.
inline constexpr double kShortestDirection = 1e-20;

// Bound on the walk. A walk of valid input ends at the first step whose end point lies outside
// the overall box, so all earlier end points lie in the box, on one line, one step apart: it
// takes at most diagonal / step + 1 steps. The cap allows twice that plus some slack, and never
// more than kStepCeiling steps. InitialzeSearch never makes MinMesh smaller than 1e-4 of the
// box diagonal, so its own step needs at most about 1e4 steps; the ceiling, a hundred times
// that, only cuts walks whose step was set below 2e-6 of the diagonal through resetMinMesh
// (such a walk would otherwise cost seconds per ray) or is zero or NaN.
inline constexpr double kStepLimitFactor = 2.0;
inline constexpr double kStepLimitSlack = 16.0;
inline constexpr double kStepCeiling = 1e6;

inline double stepLimit(const CQVROptKer& k, double step) {
    const double dx = k.Box_xMax - k.Box_xMin;
    const double dy = k.Box_yMax - k.Box_yMin;
    const double dz = k.Box_zMax - k.Box_zMin;
    const double steps =
        kStepLimitFactor * (std::sqrt(dx * dx + dy * dy + dz * dz) / std::fabs(step)) +
        kStepLimitSlack;
    return steps < kStepCeiling ? steps : kStepCeiling;  // NaN takes the ceiling too
}

inline bool outsideBox(const CQVROptKer& k, const Vec3& q) {
    return q.x < k.Box_xMin || q.y < k.Box_yMin || q.z < k.Box_zMin || q.x > k.Box_xMax ||
           q.y > k.Box_yMax || q.z > k.Box_zMax;
}

// The unit direction of the walk.
inline Vec3 unitDirection(double dx, double dy, double dz) {
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (length < kShortestDirection) return Vec3{0.0, 0.0, 1.0};
    return Vec3{dx / length, dy / length, dz / length};
}

// Whether adding h to any coordinate from lo to hi changes it: |h| is at least the unit in the
// last place of the larger of |lo| and |hi|, and so more than half that of any value between.
inline bool advancesInBox(double h, double lo, double hi) {
    const double largest = std::max(std::fabs(lo), std::fabs(hi));
    if (!std::isfinite(largest)) return false;
    return std::fabs(h) >=
           std::nextafter(largest, std::numeric_limits<double>::infinity()) - largest;
}

// One step: its box from p to q, and whether the walk ends after it whatever it finds.
struct Step {
    double xmin, ymin, zmin, xmax, ymax, zmax;
    bool last;
};

// Lays out the steps one after the other, exactly as the walk takes them.
class StepSequence {
public:
    StepSequence(const CQVROptKer& k, double x, double y, double z, const Vec3& d)
        : k_(k), d_(d), p_{x, y, z}, limit_(stepLimit(k, k.MinMesh)) {
        const double h = k.MinMesh;
        q_ = Vec3{p_.x + h * d_.x, p_.y + h * d_.y, p_.z + h * d_.z};
    }

    Step next() {
        Step s{};
        s.xmin = d_.x < 0.0 ? q_.x : p_.x;
        s.xmax = d_.x < 0.0 ? p_.x : q_.x;
        s.ymin = d_.y < 0.0 ? q_.y : p_.y;
        s.ymax = d_.y < 0.0 ? p_.y : q_.y;
        s.zmin = d_.z < 0.0 ? q_.z : p_.z;
        s.zmax = d_.z < 0.0 ? p_.z : q_.z;
        const bool left = outsideBox(k_, q_);
        const double h = k_.MinMesh;
        const Vec3 ahead{q_.x + h * d_.x, q_.y + h * d_.y, q_.z + h * d_.z};
        // A step that no longer moves the point would repeat forever.
        const bool advanced = ahead.x != q_.x || ahead.y != q_.y || ahead.z != q_.z;
        s.last = left || !advanced || taken_ >= limit_;
        p_ = q_;
        q_ = ahead;
        taken_ += 1.0;
        return s;
    }

    // Lays out up to `length` steps as next() does, as a chain of corners per axis rounded to
    // float: step i runs from corner[a][i] to corner[a][i + 1] (its p to its q) on axis a.
    // Returns the number of steps; `last` tells whether the last of them ends the walk.
    // `oneWay` tells whether every chain is known to run one way (see below).
    int chain(float* const corner[3], int length, bool& last, bool& oneWay) {
        const double hx = k_.MinMesh * d_.x, hy = k_.MinMesh * d_.y, hz = k_.MinMesh * d_.z;
        const double xmin = k_.Box_xMin, ymin = k_.Box_yMin, zmin = k_.Box_zMin;
        const double xmax = k_.Box_xMax, ymax = k_.Box_yMax, zmax = k_.Box_zMax;
        Vec3 q = q_;
        double taken = taken_;
        corner[0][0] = static_cast<float>(p_.x);
        corner[1][0] = static_cast<float>(p_.y);
        corner[2][0] = static_cast<float>(p_.z);
        int n = 0;
        last = false;
        oneWay = false;
        if (k_.MinMesh > 0.0 && std::isfinite(hx) && std::isfinite(hy) && std::isfinite(hz)) {
            // Adding the same finite amount again and again never turns back on an axis, in
            // double and after rounding to float; with a positive step each chain runs the way
            // the direction points on its axis (as StepRun expects), q leaves the box
            // only through the side it moves towards (once inside the other side it stays
            // there, so that side is tested at the run's first step only), and where some
            // axis moves by at least a unit in the last place of every coordinate in the box,
            // every step from a point inside the box advances.
            oneWay = true;
            const double bx = hx < 0.0 ? xmin : xmax, by = hy < 0.0 ? ymin : ymax,
                         bz = hz < 0.0 ? zmin : zmax;
            const double sx = hx < 0.0 ? -1.0 : 1.0, sy = hy < 0.0 ? -1.0 : 1.0,
                         sz = hz < 0.0 ? -1.0 : 1.0;
            const bool advances = advancesInBox(hx, xmin, xmax) || advancesInBox(hy, ymin, ymax) ||
                                  advancesInBox(hz, zmin, zmax);
            bool left =
                q.x < xmin || q.y < ymin || q.z < zmin || q.x > xmax || q.y > ymax || q.z > zmax;
            while (n < length && !last) {
                corner[0][n + 1] = static_cast<float>(q.x);
                corner[1][n + 1] = static_cast<float>(q.y);
                corner[2][n + 1] = static_cast<float>(q.z);
                left = left || sx * q.x > sx * bx || sy * q.y > sy * by || sz * q.z > sz * bz;
                const Vec3 ahead{q.x + hx, q.y + hy, q.z + hz};
                const bool advanced =
                    advances || ahead.x != q.x || ahead.y != q.y || ahead.z != q.z;
                last = left || !advanced || taken >= limit_;
                p_ = q;
                q = ahead;
                taken += 1.0;
                ++n;
            }
        } else {
            while (n < length && !last) {
                corner[0][n + 1] = static_cast<float>(q.x);
                corner[1][n + 1] = static_cast<float>(q.y);
                corner[2][n + 1] = static_cast<float>(q.z);
                const bool left = q.x < xmin || q.y < ymin || q.z < zmin || q.x > xmax ||
                                  q.y > ymax || q.z > zmax;
                const Vec3 ahead{q.x + hx, q.y + hy, q.z + hz};
                const bool advanced = ahead.x != q.x || ahead.y != q.y || ahead.z != q.z;
                last = left || !advanced || taken >= limit_;
                p_ = q;
                q = ahead;
                taken += 1.0;
                ++n;
            }
        }
        q_ = q;
        taken_ = taken;
        return n;
    }

private:
    const CQVROptKer& k_;
    Vec3 d_;
    Vec3 p_;
    Vec3 q_{};
    double limit_;
    double taken_ = 1.0;  // steps taken including the one being laid out
};

namespace {

using adt::kDimensions;

// Steps laid out per pass through the index. Runs grow from the first length to the longest,
// doubling each time: short rays stay cheap, and a long ray needs few passes, each starting
// again from the index's root. A pass costs about the same whatever its length as long as its
// steps stay near the ray; steps beyond where the walk ends are wasted work only. Default 64
// and 1024: the plates' rays through the thickness take one or two runs, those along a 10^6-cell
// plate (a few thousand steps) four or five instead of ten (about 10 % less time per node there).
constexpr int kFirstRunSteps = 64;
constexpr int kMaxRunSteps = 1024;

// Margins of the node prefilter, which must never drop a node holding an item that meets a
// step: a node may lie up to one step's extent off the line through the run on each axis
// (twice, for uneven rounding of the steps), and the step corners are the line's points
// rounded to float (relative error 6e-8, ample room at 1e-6) and accumulated in double.
constexpr double kNodeStepMargin = 2.0;
constexpr double kNodeRoundingMargin = 1e-6;
// Below this extent along an axis a run is taken as not moving on that axis.
constexpr double kStill = 1e-30;

// A step box as the tree's search sees it: corners rounded to float.
struct FloatStep {
    float lo[3];
    float hi[3];
};

// The tree's test of an item point against a step box. The domain half of the test (minimum
// corner not below the domain, maximum corner not above it) holds for every item the index
// visits.
bool meets(const float* p, const FloatStep& s) {
    return p[0] <= s.hi[0] && p[1] <= s.hi[1] && p[2] <= s.hi[2] && s.lo[0] <= p[3] &&
           s.lo[1] <= p[4] && s.lo[2] <= p[5];
}

// A run of consecutive steps. Each step starts where the one before ended, so the run's
// corners form one chain per axis: step i spans corner[a][i] to corner[a][i + 1] on axis a,
// the two in that order when the walk rises on the axis (direction not negative) and the other
// way round when it falls. Because each step adds the same amount, the chain never turns back
// on an axis (unless the arithmetic went to NaN), so the steps an item meets on one axis are
// consecutive: the ends of that range are found from a guess by the chain's even spacing and
// settled with the tree's own comparison of the item's corner with the step's, so the steps
// the item meets are exactly the overlap of its three axes' ranges.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): `corner` is left unset (see there).
struct StepRun {
    int n = 0;              // steps
    bool endsWalk = false;  // the run's last step is the walk's last whatever it finds
    bool ordered = true;    // every chain runs one way: the per-axis ranges apply
    bool falls[3] = {};     // the walk falls on the axis (direction negative)
    // Written by layOut before any use; left unset at construction, since zeroing its 12 KB
    // on every walk cost more than a short ray's steps.
    float corner[3][kMaxRunSteps + 1];
    double perStep[3] = {};  // steps per unit of coordinate along the chain, 0 if still
    bool still[3] = {};      // the chain stays at one value on the axis
    // The node prefilter per axis: the chain's start and extent, 1 / extent, and the margin;
    // the box of all the run's steps; whether more than one axis moves (then the box is much
    // larger than the steps).
    double start[3] = {}, extent[3] = {}, perExtent[3] = {}, margin[3] = {};
    float runLo[3] = {}, runHi[3] = {};
    bool oblique = false;

    FloatStep step(int i) const {
        FloatStep s{};
        for (int a = 0; a < 3; ++a) {
            const float c0 = corner[a][i], c1 = corner[a][i + 1];
            s.lo[a] = falls[a] ? c1 : c0;
            s.hi[a] = falls[a] ? c0 : c1;
        }
        return s;
    }

    // Lays out up to `length` steps.
    void layOut(StepSequence& steps, const Vec3& d, int length) {
        falls[0] = d.x < 0.0;
        falls[1] = d.y < 0.0;
        falls[2] = d.z < 0.0;
        float* const chains[3] = {corner[0], corner[1], corner[2]};
        bool oneWay = false;
        n = steps.chain(chains, length, endsWalk, oneWay);
        ordered = true;
        for (int a = 0; a < 3; ++a) {
            const float* c = corner[a];
            bool runsOneWay = true;
            if (oneWay) {
                // Known from how the chain was made.
            } else if (falls[a]) {
                for (int i = 0; i < n; ++i) runsOneWay &= c[i + 1] <= c[i];
            } else {
                for (int i = 0; i < n; ++i) runsOneWay &= c[i] <= c[i + 1];
            }
            ordered = ordered && runsOneWay;
            const double c0 = c[0], cn = c[n];
            // Infinite corners would make the prefilter's arithmetic NaN: test step by step.
            ordered = ordered && std::isfinite(c0) && std::isfinite(cn);
            still[a] = c0 == cn;
            start[a] = c0;
            extent[a] = cn - c0;
            const bool moves = std::fabs(extent[a]) > kStill;
            perStep[a] = moves ? n / extent[a] : 0.0;
            perExtent[a] = moves ? 1.0 / extent[a] : 0.0;
            margin[a] = kNodeStepMargin * std::fabs(extent[a]) / n +
                        kNodeRoundingMargin * (std::fabs(c0) + std::fabs(cn)) + kStill;
            if (!moves) extent[a] = 0.0;
            runLo[a] = std::min(c[0], c[n]);
            runHi[a] = std::max(c[0], c[n]);
        }
        oblique = (extent[0] != 0.0) + (extent[1] != 0.0) + (extent[2] != 0.0) > 1;
    }

    // A guess at the chain index where the chain on axis a reaches v, clamped to 0..n.
    int guess(int a, float v) const {
        const double g = (static_cast<double>(v) - corner[a][0]) * perStep[a];
        if (!(g > 0.0)) return 0;  // NaN included
        return g < n ? static_cast<int>(g) : n;
    }

    // The steps (first..last) the item point meets, from the three axes' ranges; false when
    // none. Needs an ordered run.
    bool stepsMet(const float* p, int& first, int& last) const {
        first = 0;
        last = n - 1;
        for (int a = 0; a < 3 && first <= last; ++a) {
            const float* c = corner[a];
            const float lo = p[a], hi = p[a + 3];
            if (still[a]) {
                // Every step has the same extent on this axis: all meet the item or none.
                if (!(lo <= c[0] && c[0] <= hi)) return false;
                continue;
            }
            if (!falls[a]) {
                // Step i meets the item on this axis when c[i + 1] >= lo and c[i] <= hi.
                const int f = firstOf(
                                  guess(a, lo), [&](int j) { return c[j] >= lo; }, 1) -
                              1;
                const int l = firstOf(
                                  guess(a, hi), [&](int j) { return !(c[j] <= hi); }, 0) -
                              1;
                first = std::max(first, f);
                last = std::min(last, l);
            } else {
                // Step i meets the item on this axis when c[i] >= lo and c[i + 1] <= hi.
                const int f = firstOf(
                                  guess(a, hi), [&](int j) { return c[j] <= hi; }, 1) -
                              1;
                const int l = firstOf(
                                  guess(a, lo), [&](int j) { return !(c[j] >= lo); }, 0) -
                              1;
                first = std::max(first, f);
                last = std::min(last, l);
            }
        }
        return first <= last;
    }

    // The first chain index j in from..n at which `reached` holds (n + 1 when none), for a
    // condition that once true stays true along the chain; searched from the guess outwards.
    template <class Reached>
    int firstOf(int guessAt, Reached reached, int from) const {
        int lo = from, hi = n + 1;  // the answer lies in lo..hi
        int g = std::clamp(guessAt, lo, n);
        if (reached(g)) {
            hi = g;
            if (g - 1 < lo || !reached(g - 1)) return g;
            hi = g - 1;
        } else {
            lo = g + 1;
            if (lo > n || reached(lo)) return lo;
            lo += 1;
        }
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (reached(mid)) {
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        return lo;
    }

    // Whether a node box may hold an item that meets a step of the run: the box meets the box
    // of all the steps, and, where the run moves along more than one axis, the box widened by
    // two steps' extent and the rounding margin meets the segment through the run's corners.
    // Never false for such a box; true for some others.
    bool nodeMayMeet(const float* lo, const float* hi) const {
        if (!(lo[0] <= runHi[0] && lo[1] <= runHi[1] && lo[2] <= runHi[2] && hi[0] >= runLo[0] &&
              hi[1] >= runLo[1] && hi[2] >= runLo[2])) {
            return false;
        }
        if (!oblique) return true;
        double u0 = 0.0, u1 = 1.0;
        for (int a = 0; a < 3; ++a) {
            const double wlo = static_cast<double>(lo[a]) - margin[a];
            const double whi = static_cast<double>(hi[a]) + margin[a];
            if (extent[a] == 0.0) {
                if (!(wlo <= start[a] && start[a] <= whi)) return false;
                continue;
            }
            double ua = (wlo - start[a]) * perExtent[a], ub = (whi - start[a]) * perExtent[a];
            if (ua > ub) std::swap(ua, ub);
            u0 = std::max(u0, ua);
            u1 = std::min(u1, ub);
            if (!(u0 <= u1)) return false;
        }
        return true;
    }

    // The box of all the run's steps, for a run whose chains may turn back; NaN corners are
    // skipped (such a step finds nothing in the tree).
    void unionBox(float qlo[3], float qhi[3]) const {
        constexpr float kInf = std::numeric_limits<float>::infinity();
        for (int a = 0; a < 3; ++a) {
            qlo[a] = kInf;
            qhi[a] = -kInf;
            for (int j = 0; j <= n; ++j) {
                if (corner[a][j] < qlo[a]) qlo[a] = corner[a][j];
                if (corner[a][j] > qhi[a]) qhi[a] = corner[a][j];
            }
        }
    }
};

void mark(adt::WalkWorkspace& ws, int id) {
    const auto bit = static_cast<std::size_t>(id);
    ws.seen[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

// Adds an element to the walk's list unless it is there already: consecutive runs find many of
// the same elements, and a list without repeats is cheaper to sort.
void addPassed(adt::WalkWorkspace& ws, int id) {
    const auto bit = static_cast<std::size_t>(id);
    std::uint64_t& word = ws.seen[bit / 64];
    const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
    if ((word & mask) != 0) return;
    word |= mask;
    ws.passed.push_back(id);
}

// Gathers into ws.candidates every item that meets a step of the run, with the first step it
// meets (ws.firstStep), and counts per step the items meeting it (ws.coverage[i] after
// summing). Every item the tree's search would find for some step of the run is among them.
void gatherRun(const adt::BoxIndex& index, const StepRun& run, adt::WalkWorkspace& ws) {
    ws.candidates.clear();
    ws.firstStep.clear();
    ws.coverage.assign(static_cast<std::size_t>(run.n) + 1, 0);
    if (run.ordered) {
        index.visit([&run](const float* lo, const float* hi) { return run.nodeMayMeet(lo, hi); },
                    [&](int id, const float* p) {
                        int first = 0, last = 0;
                        if (!run.stepsMet(p, first, last)) return;
                        ws.candidates.push_back(id);
                        ws.firstStep.push_back(first);
                        ++ws.coverage[static_cast<std::size_t>(first)];
                        --ws.coverage[static_cast<std::size_t>(last) + 1];
                    });
    } else {
        // Steps tested one by one: what the item meets need not be consecutive.
        float qlo[3], qhi[3];
        run.unionBox(qlo, qhi);
        index.visit(
            [&](const float* lo, const float* hi) {
                return lo[0] <= qhi[0] && lo[1] <= qhi[1] && lo[2] <= qhi[2] && hi[0] >= qlo[0] &&
                       hi[1] >= qlo[1] && hi[2] >= qlo[2];
            },
            [&](int id, const float* p) {
                int first = -1;
                for (int i = 0; i < run.n; ++i) {
                    if (!meets(p, run.step(i))) continue;
                    if (first < 0) first = i;
                    ++ws.coverage[static_cast<std::size_t>(i)];
                    --ws.coverage[static_cast<std::size_t>(i) + 1];
                }
                if (first < 0) return;
                ws.candidates.push_back(id);
                ws.firstStep.push_back(first);
            });
    }
    for (std::size_t i = 1; i < ws.coverage.size(); ++i) ws.coverage[i] += ws.coverage[i - 1];
}

// Walks `steps` with the walk index: gathers into ws.passed, in no particular order and each
// once, every element the step-by-step walk passes, and returns the walk's last step. A walk
// of more than one run leaves its elements marked in ws.seen (and ws.marked set) until
// clearMarks; one pass finds each item once, so a walk of one run needs no marks, and most
// walks take one. Each run of steps is one pass through the
// index, which yields every item meeting a step of the run and the steps it meets; the walk
// ends at the run's first step no item meets (or at its last one), and the items met up to
// there are passed. ws.candidates keeps the last run's items.
FloatStep walkRuns(const adt::BoxIndex& index, StepSequence& steps, const Vec3& d,
                   adt::WalkWorkspace& ws) {
    ws.passed.clear();
    ws.marked = false;
    StepRun run;
    int lastStep = 0;
    for (int length = kFirstRunSteps;; length = std::min(2 * length, kMaxRunSteps)) {
        run.layOut(steps, d, length);
        gatherRun(index, run, ws);
        lastStep = run.n - 1;
        bool finished = run.endsWalk;
        for (int i = 0; i < run.n; ++i) {
            if (ws.coverage[static_cast<std::size_t>(i)] == 0) {
                lastStep = i;
                finished = true;
                break;
            }
        }
        if (!ws.marked) {
            for (std::size_t c = 0; c < ws.candidates.size(); ++c) {
                if (ws.firstStep[c] <= lastStep) ws.passed.push_back(ws.candidates[c]);
            }
            if (finished) break;
            for (int id : ws.passed) mark(ws, id);
            ws.marked = true;
            continue;
        }
        for (std::size_t c = 0; c < ws.candidates.size(); ++c) {
            if (ws.firstStep[c] <= lastStep) addPassed(ws, ws.candidates[c]);
        }
        if (finished) break;
    }
    return run.step(lastStep);
}

void clearMarks(adt::WalkWorkspace& ws) {
    if (!ws.marked) return;
    ws.marked = false;
    for (int id : ws.passed) {
        const auto bit = static_cast<std::size_t>(id);
        ws.seen[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
    }
}

}  // namespace

// Walks `steps` as the step-by-step search does and leaves the same results: the slot's pass
// list (ascending, unique; returned, its length in `count`), the slot's near-block list and the
// tree's found list of the slot holding what the last step's near block search finds, in the
// tree's order. Precondition: the tree has a walk index and `slot` is one of its slots.
const int* walkIndexed(CQVROptKer& k, CQvrADT& tree, StepSequence& steps, const Vec3& d, int slot,
                       int& count) {
    adt::BoxIndex& index = *tree.WalkIndex();
    adt::WalkWorkspace& ws = index.workspace(slot);
    const FloatStep last = walkRuns(index, steps, d, ws);
    // What the last step's near block search leaves behind, in the tree's visiting order.
    ws.lastStep.clear();
    for (int id : ws.candidates) {
        if (meets(tree.point + kDimensions * static_cast<std::size_t>(id), last)) {
            ws.lastStep.push_back(id);
        }
    }
    std::sort(ws.lastStep.begin(), ws.lastStep.end(),
              [&](int a, int b) { return index.visitRank(a) < index.visitRank(b); });
    clearMarks(ws);
    std::sort(ws.passed.begin(), ws.passed.end());

    // Both lists are made before either old one goes: a failed allocation changes nothing.
    std::unique_ptr<int[]> nearList(new int[ws.lastStep.size()]);
    std::unique_ptr<int[]> passList(new int[ws.passed.size()]);
    std::copy(ws.lastStep.begin(), ws.lastStep.end(), nearList.get());
    std::copy(ws.passed.begin(), ws.passed.end(), passList.get());

    // The tree's found list last of the allocations (a slot's first non-empty one allocates it).
    tree.SetFoundList(slot, ws.lastStep.data(), static_cast<int>(ws.lastStep.size()));
    delete[] k.m_ppNearBlockList[slot];
    k.m_ppNearBlockList[slot] = nearList.release();
    delete[] k.m_ppPassElemList[slot];
    k.m_ppPassElemList[slot] = passList.release();
    count = static_cast<int>(ws.passed.size());
    return k.m_ppPassElemList[slot];
}

const std::vector<int>* passedElementsAnyOrder(CQVROptKer& k, double x, double y, double z,
                                               double dx, double dy, double dz, int slot) {
    CQvrADT* const tree = k.m_pADTree;
    if (tree == nullptr || !slotInRange(k, slot) || slot >= tree->slotCount ||
        tree->WalkIndex() == nullptr) {
        return nullptr;
    }
    const Vec3 d = unitDirection(dx, dy, dz);
    StepSequence steps(k, x, y, z, d);
    adt::WalkWorkspace& ws = tree->WalkIndex()->workspace(slot);
    walkRuns(*tree->WalkIndex(), steps, d, ws);
    clearMarks(ws);
    return &ws.passed;
}

}  // namespace qvr::ray

namespace {

// The walk through the public near block search, one tree query per step: used while the tree
// has no walk index (a tree the host fills through the public set-up).
void walkStepByStep(CQVROptKer& k, qvr::ray::StepSequence& steps, int slot, std::set<int>& passed) {
    for (;;) {
        const qvr::ray::Step s = steps.next();
        int found = 0;
        const int* ids =
            k.SearchNearBlockID(s.xmin, s.ymin, s.zmin, s.xmax, s.ymax, s.zmax, found, slot);
        passed.insert(ids, ids + found);
        if (found == 0 || s.last) break;
    }
}

}  // namespace

const int* CQVROptKer::FindPassElemByAnyRay(int& count, double x, double y, double z, double dx,
                                            double dy, double dz, int slot) {
    count = 0;
    if (m_pADTree == nullptr || !qvr::slotInRange(*this, slot)) return qvr::emptySearchList();

    const qvr::Vec3 d = qvr::ray::unitDirection(dx, dy, dz);
    qvr::ray::StepSequence steps(*this, x, y, z, d);
    if (slot < m_pADTree->slotCount && m_pADTree->WalkIndex() != nullptr) {
        return qvr::ray::walkIndexed(*this, *m_pADTree, steps, d, slot, count);
    }

    std::set<int> passed;
    walkStepByStep(*this, steps, slot, passed);
    // The new list is made before the old one goes: a failed allocation keeps the old list.
    std::unique_ptr<int[]> list(new int[passed.size()]);
    std::copy(passed.begin(), passed.end(), list.get());
    delete[] m_ppPassElemList[slot];
    m_ppPassElemList[slot] = list.release();
    count = static_cast<int>(passed.size());
    return m_ppPassElemList[slot];
}
