// The length unit of a mesh and its factor to millimetres, the kernel's length unit.
#ifndef QVR_KERNEL_LENGTH_UNIT_H
#define QVR_KERNEL_LENGTH_UNIT_H

#include <string>

namespace qvr {

// Factor from the unit named by `unit` to millimetres: a text holding "mm" gives 1, "cm" 10,
// "inch" 25.4, "um" 0.001, looked for in that order. Any other text gives 1 with `recognised`
// false.
double unitFactorOf(const std::string& unit, bool& recognised);

}  // namespace qvr

#endif
