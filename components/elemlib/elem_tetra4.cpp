// Linear tetrahedron. Reference element: the corner simplex with node 1 at the origin and nodes
// 2, 3, 4 at the unit points of xi, eta, zeta; the shape functions are the barycentric
// coordinates. The map is affine, so the inverse is one 3x3 solve.
#include "element_kinds.h"
#include "element_of.h"
#include "inverse_mapping.h"

namespace qvr::elemlib {
namespace {

struct TetraShape {
    static constexpr int kNodes = 4;
    static constexpr int kFaces = 4;
    static constexpr double kCentre[3] = {0.25, 0.25, 0.25};
    static constexpr double kNodeReference[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    static void Values(const double r[3], double* N) {
        N[0] = 1.0 - r[0] - r[1] - r[2];
        N[1] = r[0];
        N[2] = r[1];
        N[3] = r[2];
    }

    static void ValuesAndGradients(const double r[3], double* N, double (*dN)[3]) {
        Values(r, N);
        static constexpr double kGradients[4][3] = {
            {-1.0, -1.0, -1.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
        for (int k = 0; k < kNodes; ++k)
            for (int j = 0; j < 3; ++j) dN[k][j] = kGradients[k][j];
    }

    static bool Contains(const double r[3], double tol) {
        return r[0] >= -tol && r[1] >= -tol && r[2] >= -tol && r[0] + r[1] + r[2] <= 1.0 + tol;
    }

    static CFEM_PointLocation Locate(const ElementFrame& f) {
        // Columns: the edges from node 1; right-hand side: the point from node 1.
        const double J[3][3] = {{f.x[1] - f.x[0], f.x[2] - f.x[0], f.x[3] - f.x[0]},
                                {f.y[1] - f.y[0], f.y[2] - f.y[0], f.y[3] - f.y[0]},
                                {f.z[1] - f.z[0], f.z[2] - f.z[0], f.z[3] - f.z[0]}};
        const double b[3] = {f.point[0] - f.x[0], f.point[1] - f.y[0], f.point[2] - f.z[0]};
        double r[3];
        if (SolveLinear3(J, b, r)) return MakeLocation<TetraShape>(r, true, 0);
        // A flat tetrahedron: the least-squares search still finds a point on its plane.
        return LocateByNewton<TetraShape>(f);
    }
};

}  // namespace

CFEM_Elem3D* NewTetra4() { return new ElementOf<TetraShape>(); }

}  // namespace qvr::elemlib
