// The ray pass search: candidate elements along a ray, gathered step by step.
//
// The step sequence is shared by the search's two ways of searching the steps.
//
// The sequence depends only on the start point, the direction and MinMesh, never on what the
// steps find: the steps can be laid out ahead of the searches without changing any of them.
//
// With the tree's walk index (the kernel's own set-up), one index query covers a run of steps,
// and each step then picks its elements from that query's candidates with the tree's own float
// test. A step finds exactly what the tree would: the candidates hold every element whose box
// meets the union of the run's step boxes (in float, as the tree rounds them), and an element
// that meets a step box meets that union. The stop rules are taken step by step as before.
// Without the index (a tree the host fills through the public set-up) each step is one query
// through the public near block search.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>

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

private:
    const CQVROptKer& k_;
    Vec3 d_;
    Vec3 p_;
    Vec3 q_{};
    double limit_;
    double taken_ = 1.0;  // steps taken including the one being laid out
};

namespace {

// Steps covered by one index query, adapted to what the queries find: longer runs mean fewer
// queries but more candidates for every step to test. A step is about a tenth of the smallest
// cell, so the starting run spans one to two cells.
constexpr int kFirstRunSteps = 16;
constexpr int kMinRunSteps = 4;
constexpr int kMaxRunSteps = 64;
// Candidate counts per query below which the next run is doubled, above which it is halved.
constexpr std::size_t kFewCandidates = 12;
constexpr std::size_t kManyCandidates = 40;
using adt::kDimensions;

// A step box as the tree's search sees it: corners rounded to float.
struct FloatStep {
    float lo[3];
    float hi[3];
    bool last;
};

FloatStep toFloat(const Step& s) {
    return {{static_cast<float>(s.xmin), static_cast<float>(s.ymin), static_cast<float>(s.zmin)},
            {static_cast<float>(s.xmax), static_cast<float>(s.ymax), static_cast<float>(s.zmax)},
            s.last};
}

// The tree's test of an item point against a step box. The domain half of the test (minimum
// corner not below the domain, maximum corner not above it) holds for every candidate: the
// index query made it.
bool meets(const float* p, const FloatStep& s) {
    return p[0] <= s.hi[0] && p[1] <= s.hi[1] && p[2] <= s.hi[2] && s.lo[0] <= p[3] &&
           s.lo[1] <= p[4] && s.lo[2] <= p[5];
}

// The candidates' points by coordinate, so that one step tests all of them in a few vector
// instructions.
struct CandidateColumns {
    const float* c[kDimensions];
};

// Marks in `hit` the candidates that meet the step and returns how many do.
int testStep(const CandidateColumns& cols, std::size_t count, const FloatStep& s, int* hit) {
    const float* x0 = cols.c[0];
    const float* y0 = cols.c[1];
    const float* z0 = cols.c[2];
    const float* x1 = cols.c[3];
    const float* y1 = cols.c[4];
    const float* z1 = cols.c[5];
    int found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int m = static_cast<int>(x0[i] <= s.hi[0]) & static_cast<int>(y0[i] <= s.hi[1]) &
                      static_cast<int>(z0[i] <= s.hi[2]) & static_cast<int>(s.lo[0] <= x1[i]) &
                      static_cast<int>(s.lo[1] <= y1[i]) & static_cast<int>(s.lo[2] <= z1[i]);
        hit[i] |= m;
        found += m;
    }
    return found;
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

}  // namespace

// Walks `steps` as the step-by-step search does and leaves the same results: the slot's pass
// list (ascending, unique; returned, its length in `count`), the slot's near-block list and the
// tree's found list of the slot holding what the last step's near block search finds, in the
// tree's order. Precondition: the tree has a walk index and `slot` is one of its slots.
const int* walkIndexed(CQVROptKer& k, CQvrADT& tree, StepSequence& steps, int slot, int& count) {
    adt::BoxIndex& index = *tree.WalkIndex();
    adt::WalkWorkspace& ws = index.workspace(slot);
    ws.passed.clear();

    constexpr float kInf = std::numeric_limits<float>::infinity();
    FloatStep run[kMaxRunSteps];
    int runSteps = kFirstRunSteps;
    int lastStep = 0;
    for (bool finished = false; !finished;) {
        // The run's union box, in the tree's 6-D query form. NaN corners are skipped: such a
        // step finds nothing in the tree, and nothing here either.
        float qlo[kDimensions] = {tree.low[0], tree.low[1], tree.low[2], kInf, kInf, kInf};
        float qhi[kDimensions] = {-kInf, -kInf, -kInf, tree.high[3], tree.high[4], tree.high[5]};
        int n = 0;
        while (n < runSteps) {
            const FloatStep& s = run[n] = toFloat(steps.next());
            ++n;
            for (int a = 0; a < 3; ++a) {
                if (s.lo[a] < qlo[a + 3]) qlo[a + 3] = s.lo[a];
                if (s.hi[a] > qhi[a]) qhi[a] = s.hi[a];
            }
            if (s.last) break;
        }

        ws.candidates.clear();
        ws.candidateBox.clear();
        index.collect(qlo, qhi, ws.candidates, ws.candidateBox);
        const std::size_t nc = ws.candidates.size();
        ws.columns.resize(kDimensions * nc);
        CandidateColumns cols{};
        for (int d = 0; d < kDimensions; ++d) {
            float* column = ws.columns.data() + static_cast<std::size_t>(d) * nc;
            cols.c[d] = column;
            for (std::size_t c = 0; c < nc; ++c)
                column[c] = ws.candidateBox[kDimensions * c + static_cast<std::size_t>(d)];
        }
        ws.hit.assign(nc, 0);
        for (int i = 0; i < n; ++i) {
            const int found = testStep(cols, nc, run[i], ws.hit.data());
            if (found == 0 || run[i].last) {
                finished = true;
                lastStep = i;
                break;
            }
        }
        for (std::size_t c = 0; c < nc; ++c) {
            if (ws.hit[c] != 0) addPassed(ws, ws.candidates[c]);
        }
        if (nc < kFewCandidates) runSteps = std::min(2 * runSteps, kMaxRunSteps);
        if (nc > kManyCandidates) runSteps = std::max(runSteps / 2, kMinRunSteps);
    }
    // What the last step's near block search leaves behind, in the tree's visiting order.
    ws.lastStep.clear();
    for (std::size_t c = 0; c < ws.candidates.size(); ++c) {
        if (meets(ws.candidateBox.data() + kDimensions * c, run[lastStep])) {
            ws.lastStep.push_back(ws.candidates[c]);
        }
    }
    std::sort(ws.lastStep.begin(), ws.lastStep.end(),
              [&](int a, int b) { return index.visitRank(a) < index.visitRank(b); });
    for (int id : ws.passed) {
        const auto bit = static_cast<std::size_t>(id);
        ws.seen[bit / 64] &= ~(std::uint64_t{1} << (bit % 64));
    }
    std::sort(ws.passed.begin(), ws.passed.end());

    // Both lists are made before either old one goes: a failed allocation changes nothing.
    std::unique_ptr<int[]> nearList(new int[ws.lastStep.size()]);
    std::unique_ptr<int[]> passList(new int[ws.passed.size()]);
    std::copy(ws.lastStep.begin(), ws.lastStep.end(), nearList.get());
    std::copy(ws.passed.begin(), ws.passed.end(), passList.get());

    std::copy(ws.lastStep.begin(), ws.lastStep.end(), tree.foundList[slot] + 1);
    tree.foundCount[slot] = static_cast<int>(ws.lastStep.size());
    delete[] k.m_ppNearBlockList[slot];
    k.m_ppNearBlockList[slot] = nearList.release();
    delete[] k.m_ppPassElemList[slot];
    k.m_ppPassElemList[slot] = passList.release();
    count = static_cast<int>(ws.passed.size());
    return k.m_ppPassElemList[slot];
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
        return qvr::ray::walkIndexed(*this, *m_pADTree, steps, slot, count);
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
