// How the outputs present values: the CSV's significant digits and the eigen decomposition
// behind the VTU's tensor arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "number_text.h"
#include "symmetric_tensor.h"

using namespace qvr::cli;

TEST(NumberText, DefaultGivesTheShortestTextOfTheSingleprecisionValue) {
    // Values that reach the host as floats widened to double.
    EXPECT_EQ(significantText(static_cast<double>(0.04f), kDefaultCsvDigits), "0.04");
    EXPECT_EQ(significantText(static_cast<double>(0.1f), kDefaultCsvDigits), "0.1");
    EXPECT_EQ(significantText(static_cast<double>(1.0f / 3.0f), kDefaultCsvDigits), "0.33333334");
    EXPECT_EQ(significantText(static_cast<double>(16777217.0f), kDefaultCsvDigits), "16777216");
    EXPECT_EQ(significantText(static_cast<double>(-2.5e-12f), kDefaultCsvDigits), "-2.5e-12");
    EXPECT_EQ(significantText(1200.0, kDefaultCsvDigits), "1200");
    EXPECT_EQ(significantText(0.0, kDefaultCsvDigits), "0");
    // Every float comes back from its text.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> any(-1e3f, 1e3f);
    for (int i = 0; i < 2000; ++i) {
        const float f = any(random) * std::pow(10.0f, static_cast<float>(i % 13 - 6));
        EXPECT_EQ(std::stof(significantText(f, kDefaultCsvDigits)), f);
    }
    // Fewer digits round; more than nine show the double's own digits.
    EXPECT_EQ(significantText(static_cast<double>(1.0f / 3.0f), 3), "0.333");
    EXPECT_EQ(significantText(123456.0, 2), "1.2e+05");
    EXPECT_EQ(significantText(static_cast<double>(0.04f), 12), "0.0399999991059");
    EXPECT_EQ(significantText(0.1, kMaxCsvDigits), "0.10000000000000001");
    EXPECT_EQ(significantText(1e300, kDefaultCsvDigits), "1e+300");  // beyond float: the double
    EXPECT_EQ(significantText(std::numeric_limits<double>::quiet_NaN(), 9), "nan");
    EXPECT_EQ(significantText(-std::numeric_limits<double>::infinity(), 9), "-inf");
    EXPECT_EQ(significantText(0.5, 0), "0.5");  // clamped to one digit
}

TEST(SymmetricTensor, EigenpairsReproduceTheMatrix) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> any(-1.0, 1.0);
    for (int i = 0; i < 500; ++i) {
        double a[6];
        for (double& v : a) v = any(random);
        if (i % 5 == 0) a[1] = a[0];               // repeated diagonal entries
        if (i % 7 == 0) a[3] = a[4] = a[5] = 0.0;  // already diagonal
        const TensorEigen e = symmetricEigen(a[0], a[1], a[2], a[3], a[4], a[5]);
        EXPECT_GE(e.values[0], e.values[1]);
        EXPECT_GE(e.values[1], e.values[2]);
        EXPECT_NEAR(e.values[0] + e.values[1] + e.values[2], a[0] + a[1] + a[2], 1e-12);
        const auto& v = e.principal;
        EXPECT_NEAR(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 1.0, 1e-12);
        // A v = lambda v, with the matrix in the order a11 a22 a33 a12 a23 a13.
        const double av[3] = {a[0] * v[0] + a[3] * v[1] + a[5] * v[2],
                              a[3] * v[0] + a[1] * v[1] + a[4] * v[2],
                              a[5] * v[0] + a[4] * v[1] + a[2] * v[2]};
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(av[k], e.values[0] * v[static_cast<std::size_t>(k)], 1e-10) << i;
        const double* largest = std::max_element(
            v.begin(), v.end(), [](double x, double y) { return std::fabs(x) < std::fabs(y); });
        EXPECT_GT(*largest, 0.0);
    }
    // Fibres mostly along y: the principal direction is +y.
    const TensorEigen y = symmetricEigen(0.1, 0.8, 0.1, 0.0, 0.0, 0.0);
    EXPECT_EQ(y.principal, (std::array<double, 3>{0.0, 1.0, 0.0}));
    EXPECT_EQ(y.values, (std::array<double, 3>{0.8, 0.1, 0.1}));
    const TensorEigen bad = symmetricEigen(std::nan(""), 0, 0, 0, 0, 0);
    EXPECT_TRUE(std::isnan(bad.values[0]));
    EXPECT_EQ(bad.principal, (std::array<double, 3>{0.0, 0.0, 0.0}));
}
