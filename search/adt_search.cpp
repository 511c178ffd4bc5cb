// Box query on the alternating digital tree.
#include <cstddef>

#include "search/CQvrADT.h"

namespace {
constexpr int kDimensions = 6;
}

int CQvrADT::SearchBlock(double xmin, double ymin, double zmin, double xmax, double ymax,
                         double zmax, int slot) {
    if (slot < 0 || slot >= slotCount) return 0;

    // An item's point lies inside when its minimum corner is at most the query's maximum and
    // its maximum corner at least the query's minimum: the boxes meet, touching included.
    const float qlo[kDimensions] = {low[0],
                                    low[1],
                                    low[2],
                                    static_cast<float>(xmin),
                                    static_cast<float>(ymin),
                                    static_cast<float>(zmin)};
    const float qhi[kDimensions] = {static_cast<float>(xmax),
                                    static_cast<float>(ymax),
                                    static_cast<float>(zmax),
                                    high[3],
                                    high[4],
                                    high[5]};

    foundCount[slot] = 0;
    if (root == 0) return 0;

    // Breadth first; every item enters the queue at most once, so stored + 1 entries hold
    // any walk.
    int* work = queue[slot];
    int* found = foundList[slot];
    int nFound = 0;
    int r = 0;
    int w = 1;
    work[1] = root;
    while (r < w) {
        ++r;
        const int n = work[r];
        const int d = splitDim[n];
        const float s = splitValue[n];
        if (s >= qlo[d] && lowChild[n] != 0) work[++w] = lowChild[n];
        if (qhi[d] >= s && highChild[n] != 0) work[++w] = highChild[n];

        const float* p =
            point + static_cast<std::size_t>(kDimensions) * static_cast<std::size_t>(n);
        bool inside = true;
        for (int k = 0; k < kDimensions && inside; ++k) {
            inside = qlo[k] <= p[k] && p[k] <= qhi[k];
        }
        if (inside) found[++nFound] = n;
    }
    foundCount[slot] = nFound;
    return 0;
}
