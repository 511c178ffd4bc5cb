// Element library: linear solid elements and their shape functions at a physical point.
//
// Local node order follows the usual linear finite-element order (as the mesh file stores it):
//   tetrahedron 1 2 3 base, 4 apex; pyramid 1 2 3 4 base quadrilateral, 5 apex;
//   prism 1 2 3 one triangle, 4 5 6 the other with node k+3 joined to node k (either
//   orientation); hexahedron 1 2 3 4 one face, 5 6 7 8 the other with node k+4 joined to k.
//
// The virtual layout is part of the contract: the destructor is the first virtual operation
// and GetShapeFunction the fourth.
//
// Reference elements (the coordinates LocatePoint reports and ShapeAtReference takes):
//   tetrahedron  xi, eta, zeta >= 0, xi + eta + zeta <= 1; nodes at the origin and the three unit
//                points; shape functions the barycentric coordinates.
//   pyramid      base [-1, 1]^2 on zeta = 0 (nodes 1..4 at (-1,-1), (1,-1), (1,1), (-1,1)), apex
//                (0, 0, 1); the rational linear basis, linear on the triangular faces.
//   prism        triangle xi, eta >= 0, xi + eta <= 1 (nodes 1 2 3 at (0,0), (1,0), (0,1)) times
//                zeta in [-1, 1] (nodes 1..3 at -1, 4..6 at +1).
//   hexahedron   the cube [-1, 1]^3, trilinear; nodes 1..4 on zeta = -1 starting at (-1,-1,-1)
//                counter-clockwise seen from +zeta, nodes 5..8 above them.
// Points outside the element are mapped too and the shape functions extrapolated. Where the
// plain polynomial or rational expressions would grow faster than linearly outside the element
// (and make its map fold back or blow up a few element sizes away) they are continued with linear
// growth instead; each element's source file says how. The continuation keeps partition of unity
// and reproduces affine maps exactly. Either orientation of the node list (a mirrored element) is
// accepted. Tolerances are in elem_tolerances.h.
//
// Calls are independent and keep no state; an element object may be reused for any number of
// elements and points. Nothing allocates after construction.
#ifndef CFEM_ELEM3D_H
#define CFEM_ELEM3D_H

// Where a physical point lies relative to an element, from its reference coordinates.
enum class CFEM_PointSide { Inside, Outside, Unknown };

// What the inverse mapping of a physical point found.
struct CFEM_PointLocation {
    double xi = 0.0, eta = 0.0, zeta = 0.0;  // reference coordinates
    bool converged = false;                  // the mapping met its tolerance
    int iterations = 0;                      // Newton steps taken (0 for closed forms)
    CFEM_PointSide side = CFEM_PointSide::Unknown;
};

class CFEM_Elem3D {
public:
    virtual ~CFEM_Elem3D();
    // Number of nodes: 4, 5, 6 or 8.
    virtual int GetNodeCount() const = 0;
    // Number of faces of the element (4 tetrahedron, 5 pyramid and prism, 6 hexahedron).
    virtual int GetFaceCount() const = 0;
    // Shape function values at the physical point (x, y, z) for the element whose node k has
    // coordinates X[k-1], Y[k-1], Z[k-1]: N[0..n-1], in the element's node order. Returns 1
    // when the inverse mapping converged, 0 otherwise (N then holds the values at the best
    // reference point found, never NaN for finite input); -1 for null arrays (N untouched).
    // A NaN or infinite coordinate, or an element whose nodes all coincide, gives 0 and the
    // weights 1/n at every node. The arrays are only read (non-const for the callers' sake).
    virtual int GetShapeFunction(double x, double y, double z, double* X, double* Y, double* Z,
                                 double* N) = 0;
    // The inverse mapping alone: reference coordinates, convergence and inside/outside. `side`
    // is Unknown unless the mapping converged. Converged means the mapped reference point
    // lands on (x, y, z) within the residual tolerance at a point where the element's Jacobian
    // is regular; on a flat element it is therefore never set. Null arrays, non-finite input or
    // coincident nodes give the reference point where every shape function is 1/n, not converged.
    virtual CFEM_PointLocation LocatePoint(double x, double y, double z, const double* X,
                                           const double* Y, const double* Z) const = 0;
    // Shape function values at reference coordinates (each clamped to plus or minus 1e6; any NaN
    // gives the weights 1/n). Nothing is written for a null N.
    virtual void ShapeAtReference(double xi, double eta, double zeta, double* N) const = 0;
};

class CFEM_Elem3D_Factory {
public:
    CFEM_Elem3D_Factory();
    virtual ~CFEM_Elem3D_Factory();
    // Each returns a new element owned by the caller (release with delete).
    CFEM_Elem3D* Make_TETRA4() const;
    CFEM_Elem3D* Make_PYRAMID5() const;
    CFEM_Elem3D* Make_PRISM6() const;
    CFEM_Elem3D* Make_HEXA8() const;
    // The element for a node count of 4, 5, 6 or 8; null for any other count.
    CFEM_Elem3D* MakeForNodeCount(int nodeCount) const;
};

#endif
