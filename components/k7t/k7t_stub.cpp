// Placeholder until the result reader lands.
#include "CQVR3DResultReader_Manipulator.h"
