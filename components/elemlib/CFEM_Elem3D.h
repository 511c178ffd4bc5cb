// Element library: linear solid elements and their shape functions at a physical point.
//
// Local node order follows the usual linear finite-element order (as the mesh file stores it):
//   tetrahedron 1 2 3 base, 4 apex; pyramid 1 2 3 4 base quadrilateral, 5 apex;
//   prism 1 2 3 one triangle, 4 5 6 the other with node k+3 joined to node k (either
//   orientation); hexahedron 1 2 3 4 one face, 5 6 7 8 the other with node k+4 joined to k.
//
// The virtual layout is part of the contract: the destructor is the first virtual operation
// and GetShapeFunction the fourth.
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
    virtual int GetShapeFunction(double x, double y, double z, double* X, double* Y, double* Z,
                                 double* N) = 0;
    // The inverse mapping alone: reference coordinates, convergence and inside/outside.
    virtual CFEM_PointLocation LocatePoint(double x, double y, double z, const double* X,
                                           const double* Y, const double* Z) const = 0;
    // Shape function values at reference coordinates.
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
