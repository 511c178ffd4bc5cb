// The step sequence of the ray pass search, shared by its two ways of searching the steps.
//
// The sequence depends only on the start point, the direction and MinMesh, never on what the
// steps find: the steps can be laid out ahead of the searches without changing any of them.
#ifndef QVR_GEOMETRY_RAY_STEPS_H
#define QVR_GEOMETRY_RAY_STEPS_H

#include <cmath>

#include "QVROptKer.h"

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

struct Point {
    double x, y, z;
};

inline double stepLimit(const CQVROptKer& k, double step) {
    const double dx = k.Box_xMax - k.Box_xMin;
    const double dy = k.Box_yMax - k.Box_yMin;
    const double dz = k.Box_zMax - k.Box_zMin;
    const double steps =
        kStepLimitFactor * (std::sqrt(dx * dx + dy * dy + dz * dz) / std::fabs(step)) +
        kStepLimitSlack;
    return steps < kStepCeiling ? steps : kStepCeiling;  // NaN takes the ceiling too
}

inline bool outsideBox(const CQVROptKer& k, const Point& q) {
    return q.x < k.Box_xMin || q.y < k.Box_yMin || q.z < k.Box_zMin || q.x > k.Box_xMax ||
           q.y > k.Box_yMax || q.z > k.Box_zMax;
}

// The unit direction of the walk.
inline Point unitDirection(double dx, double dy, double dz) {
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (length < kShortestDirection) return Point{0.0, 0.0, 1.0};
    return Point{dx / length, dy / length, dz / length};
}

// One step: its box from p to q, and whether the walk ends after it whatever it finds.
struct Step {
    double xmin, ymin, zmin, xmax, ymax, zmax;
    bool last;
};

// Lays out the steps one after the other, exactly as the walk takes them.
class StepSequence {
public:
    StepSequence(const CQVROptKer& k, double x, double y, double z, const Point& d)
        : k_(k), d_(d), p_{x, y, z}, limit_(stepLimit(k, k.MinMesh)) {
        const double h = k.MinMesh;
        q_ = Point{p_.x + h * d_.x, p_.y + h * d_.y, p_.z + h * d_.z};
    }

    Step next() {
        Step s;
        s.xmin = d_.x < 0.0 ? q_.x : p_.x;
        s.xmax = d_.x < 0.0 ? p_.x : q_.x;
        s.ymin = d_.y < 0.0 ? q_.y : p_.y;
        s.ymax = d_.y < 0.0 ? p_.y : q_.y;
        s.zmin = d_.z < 0.0 ? q_.z : p_.z;
        s.zmax = d_.z < 0.0 ? p_.z : q_.z;
        const bool left = outsideBox(k_, q_);
        const double h = k_.MinMesh;
        const Point ahead{q_.x + h * d_.x, q_.y + h * d_.y, q_.z + h * d_.z};
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
    Point d_;
    Point p_;
    Point q_{};
    double limit_;
    double taken_ = 1.0;  // steps taken including the one being laid out
};

}  // namespace qvr::ray

#endif
