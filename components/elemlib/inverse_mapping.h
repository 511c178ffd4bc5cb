// Inverse mapping of a physical point into an element's reference coordinates.
//
// The element's nodes are first moved into a frame centred on their bounding box, so that the
// forward map's round-off scales with the element's size rather than with its distance from the
// origin. Elements whose map is not affine are then inverted by a damped Newton iteration on the
// residual x(r) - p, which works for any orientation of the element (nothing assumes a positive
// Jacobian) and for points outside it as far as its map reaches.
#ifndef QVR_ELEMLIB_INVERSE_MAPPING_H
#define QVR_ELEMLIB_INVERSE_MAPPING_H

#include "CFEM_Elem3D.h"
#include "elem_tolerances.h"

#include <algorithm>
#include <cmath>

namespace qvr::elemlib {

inline constexpr int kMaxElementNodes = 8;

// One element and one point, in the element's centred frame.
struct ElementFrame {
    double x[kMaxElementNodes];
    double y[kMaxElementNodes];
    double z[kMaxElementNodes];
    double point[3];
    double size;  // bounding-box diagonal of the nodes, > 0 when the frame is usable
};

enum class FrameStatus {
    Usable,
    NonFinite,  // a coordinate is NaN or infinite, or the frame overflows
    Collapsed   // every node at the same position
};

// Fills `frame` from the point and nodeCount (<= kMaxElementNodes) nodes.
FrameStatus BuildFrame(double px, double py, double pz, const double* X, const double* Y,
                       const double* Z, int nodeCount, ElementFrame& frame);

// |det J| relative to the cube of its longest column; 0 for a zero or non-finite matrix.
double RelativeDeterminant(const double J[3][3]);

// Solves J d = b. Returns false, leaving d unspecified, when J is singular by kSingularJacobian.
bool SolveLinear3(const double J[3][3], const double b[3], double d[3]);

// The steepest-descent step of |J d - b|, for when J is singular. Returns false when J^T b or
// J J^T b vanishes (no descent direction).
bool SteepestDescentStep(const double J[3][3], const double b[3], double d[3]);

// The answer when the point cannot be located: the reference centre, not converged.
CFEM_PointLocation Unlocated(const double centre[3]);

// What a converged or abandoned search reports.
template <class Shape>
CFEM_PointLocation MakeLocation(const double r[3], bool converged, int iterations) {
    CFEM_PointLocation loc;
    loc.xi = r[0];
    loc.eta = r[1];
    loc.zeta = r[2];
    loc.converged = converged;
    loc.iterations = iterations;
    if (converged)
        loc.side =
            Shape::Contains(r, kInsideTolerance) ? CFEM_PointSide::Inside : CFEM_PointSide::Outside;
    return loc;
}

// The forward map at one reference point.
struct MapSample {
    double r[3];
    double residual[3];  // p - x(r)
    double norm;         // |residual|; infinite or NaN when the map overflowed there
    double J[3][3];      // d x_i / d r_j
};

template <class Shape>
void EvaluateMap(const ElementFrame& f, MapSample& s) {
    double N[Shape::kNodes];
    double dN[Shape::kNodes][3];
    Shape::ValuesAndGradients(s.r, N, dN);
    double x = 0.0, y = 0.0, z = 0.0;
    double J[3][3] = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
    for (int k = 0; k < Shape::kNodes; ++k) {
        x += N[k] * f.x[k];
        y += N[k] * f.y[k];
        z += N[k] * f.z[k];
        for (int j = 0; j < 3; ++j) {
            J[0][j] += dN[k][j] * f.x[k];
            J[1][j] += dN[k][j] * f.y[k];
            J[2][j] += dN[k][j] * f.z[k];
        }
    }
    const double residual[3] = {f.point[0] - x, f.point[1] - y, f.point[2] - z};
    for (int i = 0; i < 3; ++i) {
        s.residual[i] = residual[i];
        for (int j = 0; j < 3; ++j) s.J[i][j] = J[i][j];
    }
    s.norm = std::sqrt(residual[0] * residual[0] + residual[1] * residual[1] +
                       residual[2] * residual[2]);
}

// One damped Newton run from `current`, which holds the map evaluated at its start: full steps
// where they reduce the residual enough, otherwise halved until they do; a steepest-descent step
// where the Jacobian is singular. Leaves the best point reached in `current`; returns the steps.
template <class Shape>
int RunNewton(const ElementFrame& f, double tolerance, MapSample& current) {
    int steps = 0;
    while (current.norm > tolerance && steps < kMaxNewtonSteps) {
        double d[3];
        if (!SolveLinear3(current.J, current.residual, d) &&
            !SteepestDescentStep(current.J, current.residual, d))
            break;
        // d is finite: both solvers check.
        const double longest = std::max({std::fabs(d[0]), std::fabs(d[1]), std::fabs(d[2])});
        if (longest > kMaxReferenceStep) {
            const double shrink = kMaxReferenceStep / longest;
            for (double& c : d) c *= shrink;
        }
        MapSample trial;
        bool accepted = false;
        double lambda = 1.0;
        for (int halving = 0; halving <= kMaxStepHalvings; ++halving, lambda *= 0.5) {
            for (int j = 0; j < 3; ++j)
                trial.r[j] = std::clamp(current.r[j] + lambda * d[j], -kReferenceCoordinateLimit,
                                        kReferenceCoordinateLimit);
            EvaluateMap<Shape>(f, trial);
            // Written so that a NaN residual is rejected.
            if (trial.norm <= (1.0 - kSufficientDecrease * lambda) * current.norm) {
                accepted = true;
                break;
            }
        }
        if (!accepted) break;
        current = trial;
        ++steps;
    }
    return steps;
}

// The inverse mapping by Newton from the reference centre. The result is the best reference
// point reached; it counts as converged only when the residual met the tolerance at a point where
// the Jacobian is regular (on a flat element the reference point is not unique).
template <class Shape>
CFEM_PointLocation LocateByNewton(const ElementFrame& f) {
    MapSample best;
    for (int j = 0; j < 3; ++j) best.r[j] = Shape::kCentre[j];
    EvaluateMap<Shape>(f, best);
    if (!std::isfinite(best.norm)) return Unlocated(Shape::kCentre);

    const double tolerance = kMappingResidualTolerance * f.size;
    int steps = RunNewton<Shape>(f, tolerance, best);
    // On a strongly distorted element the residual can have a local minimum away from the point,
    // mostly on a kink of the continuation outside the element; a run started from a node then
    // usually gets there. Not worth trying where the run stopped on a singular Jacobian: that is
    // a flat or collapsed element, which no start point mends.
    if (best.norm > tolerance && RelativeDeterminant(best.J) > kSingularJacobian) {
        for (int k = 0; k < Shape::kNodes && best.norm > tolerance; ++k) {
            MapSample run;
            for (int j = 0; j < 3; ++j) run.r[j] = Shape::kNodeReference[k][j];
            EvaluateMap<Shape>(f, run);
            steps += RunNewton<Shape>(f, tolerance, run);
            if (run.norm < best.norm) best = run;
        }
    }
    const bool converged =
        best.norm <= tolerance && RelativeDeterminant(best.J) > kSingularJacobian;
    return MakeLocation<Shape>(best.r, converged, steps);
}

}  // namespace qvr::elemlib

#endif
