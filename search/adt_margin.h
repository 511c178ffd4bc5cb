// The relative enlargement the tree applies to its domain and to every item box.
#ifndef QVR_SEARCH_ADT_MARGIN_H
#define QVR_SEARCH_ADT_MARGIN_H

namespace qvr::adt {

// Enlarges a 6-D box point (xmin, ymin, zmin, xmax, ymax, zmax) by `margin` of its own extent,
// in single precision. The minimum corner moves first; the maximum corner then moves by the
// extent measured from the already lowered minimum, so both sides are not enlarged equally.
inline void enlarge(float p[6], float margin) {
    for (int k = 0; k < 3; ++k) p[k] = p[k] - (p[k + 3] - p[k]) * margin;
    for (int k = 0; k < 3; ++k) p[k + 3] = p[k + 3] + (p[k + 3] - p[k]) * margin;
}

// Half the sum or a quarter of the difference of two floats: the sum or difference rounds to
// float, the product is taken in double and rounded back.
inline float midpoint(float lo, float hi) {
    return static_cast<float>(static_cast<double>(hi + lo) * 0.5);
}
inline float quarterExtent(float lo, float hi) {
    return static_cast<float>(static_cast<double>(hi - lo) * 0.25);
}

}  // namespace qvr::adt

#endif
