#include "CQVR3DResultReader_Manipulator.h"

namespace k7t {

// Components of the symmetric fibre-orientation tensor, in the order of kFiberItemIds.
const char* const kFiberItemNames[6] = {
    "FiberOrientation_a11", "FiberOrientation_a22", "FiberOrientation_a33",
    "FiberOrientation_a12", "FiberOrientation_a13", "FiberOrientation_a23",
};

}  // namespace k7t
