// The fibre-orientation tensor of one sample point as a symmetric 3x3 matrix: its eigenvalues
// and principal direction, for the VTU's tensor, eigenvalue and direction arrays.
#ifndef QVR_CLI_SYMMETRIC_TENSOR_H
#define QVR_CLI_SYMMETRIC_TENSOR_H

#include <array>

namespace qvr::cli {

struct TensorEigen {
    std::array<double, 3> values{};     // descending
    std::array<double, 3> principal{};  // unit eigenvector of values[0]; sign: largest
                                        // component positive, so neighbours agree
};

// Eigen decomposition of the symmetric matrix with diagonal (a11, a22, a33) and off-diagonal
// a12, a23, a13, by cyclic Jacobi rotations (converges to rounding in a few sweeps for 3x3).
// Non-finite input gives NaN values and a zero direction.
TensorEigen symmetricEigen(double a11, double a22, double a33, double a12, double a23, double a13);

}  // namespace qvr::cli

#endif
