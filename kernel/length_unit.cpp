#include "kernel/length_unit.h"

namespace qvr {

double unitFactorOf(const std::string& unit, bool& recognised) {
    recognised = true;
    if (unit.find("mm") != std::string::npos) return 1.0;
    if (unit.find("cm") != std::string::npos) return 10.0;
    if (unit.find("inch") != std::string::npos) return 25.4;
    if (unit.find("um") != std::string::npos) return 0.001;
    recognised = false;
    return 1.0;
}

}  // namespace qvr
