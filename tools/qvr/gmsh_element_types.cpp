#include "gmsh_element_types.h"

#include <iterator>

namespace qvr::cli {

namespace {

// The fixed-size types of the Gmsh reference manual (variable-size polygons and polyhedra have
// no fixed node count and cannot be read from a binary block).
constexpr GmshElementType kTypes[] = {
    {1, 1, 2, "2-node line"},
    {2, 2, 3, "3-node triangle"},
    {3, 2, 4, "4-node quadrangle"},
    {4, 3, 4, "4-node tetrahedron"},
    {5, 3, 8, "8-node hexahedron"},
    {6, 3, 6, "6-node prism"},
    {7, 3, 5, "5-node pyramid"},
    {8, 1, 3, "3-node line"},
    {9, 2, 6, "6-node triangle"},
    {10, 2, 9, "9-node quadrangle"},
    {11, 3, 10, "10-node tetrahedron"},
    {12, 3, 27, "27-node hexahedron"},
    {13, 3, 18, "18-node prism"},
    {14, 3, 14, "14-node pyramid"},
    {15, 0, 1, "point"},
    {16, 2, 8, "8-node quadrangle"},
    {17, 3, 20, "20-node hexahedron"},
    {18, 3, 15, "15-node prism"},
    {19, 3, 13, "13-node pyramid"},
    {20, 2, 9, "9-node triangle"},
    {21, 2, 10, "10-node triangle"},
    {22, 2, 12, "12-node triangle"},
    {23, 2, 15, "15-node triangle"},
    {24, 2, 15, "15-node triangle"},
    {25, 2, 21, "21-node triangle"},
    {26, 1, 4, "4-node line"},
    {27, 1, 5, "5-node line"},
    {28, 1, 6, "6-node line"},
    {29, 3, 20, "20-node tetrahedron"},
    {30, 3, 35, "35-node tetrahedron"},
    {31, 3, 56, "56-node tetrahedron"},
    {36, 2, 16, "16-node quadrangle"},
    {37, 2, 25, "25-node quadrangle"},
    {38, 2, 36, "36-node quadrangle"},
    {92, 3, 64, "64-node hexahedron"},
    {93, 3, 125, "125-node hexahedron"},
};

}  // namespace

const GmshElementType* findGmshElementType(int type) {
    for (const GmshElementType& t : kTypes)
        if (t.type == type) return &t;
    return nullptr;
}

}  // namespace qvr::cli
