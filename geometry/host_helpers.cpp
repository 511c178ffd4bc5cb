// The two small helpers the kernel offers its hosts: a cross product on references and a shell
// sort of a one-based key array that carries an id array along.
#include <climits>

#include "QVROptKer.h"

namespace {
// Largest gap from which the next gap 3h + 1 still fits the count's type.
constexpr unsigned long kLargestGrowableGap = (ULONG_MAX - 1) / 3;
}  // namespace

// Each component is written before the next is computed, so when c shares storage with a or b
// the later components see the new values; callers that alias rely on that order.
void CQVROptKer::ACrossB(double& ax, double& ay, double& az, double& bx, double& by, double& bz,
                         double& cx, double& cy, double& cz) {
    cx = ay * bz - az * by;
    cy = az * bx - ax * bz;
    cz = ax * by - ay * bx;
}

void CQVROptKer::shellSorting(unsigned long n, double* key, int* id) {
    if (key == nullptr || id == nullptr) return;

    // Gaps 1, 4, 13, 40, ...: start at the first one above n and work down.
    unsigned long h = 1;
    do {
        h = 3 * h + 1;
    } while (h <= n && h <= kLargestGrowableGap);

    do {
        h /= 3;
        for (unsigned long i = h + 1; i <= n; ++i) {
            const double v = key[i];
            const int t = id[i];
            unsigned long j = i;
            while (j > h && key[j - h] > v) {
                key[j] = key[j - h];
                id[j] = id[j - h];
                j -= h;
            }
            key[j] = v;
            id[j] = t;
        }
    } while (h > 1);
}
