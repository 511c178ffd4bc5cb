// `qvr extract` on parts of known thickness: the depth of the last sample point is the
// thickness on the big faces, the sample points are evenly spaced, and the options choose the
// nodes, the number of points and the plotted node.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "QvrRunner.h"
#include "TempDir.h"
#include "fiber_rotation.h"

namespace {

constexpr double kLx = 12.0, kLy = 8.0, kT = 2.5;

struct Row {
    int node, layer;
    double x, y, z, depth;
    std::array<double, 6> a;  // a11 a22 a33 a12 a23 a13
};

std::vector<Row> rowsOf(const std::string& csv) {
    std::vector<Row> rows;
    const auto table = readCsv(csv);
    for (std::size_t i = 1; i < table.size(); ++i) {
        const auto& f = table[i];
        Row row{std::stoi(f[0]), std::stoi(f[4]), std::stod(f[1]), std::stod(f[2]),
                std::stod(f[3]), std::stod(f[5]), {}};
        for (std::size_t k = 0; k < 6; ++k) row.a[k] = std::stod(f[6 + k]);
        rows.push_back(row);
    }
    return rows;
}

// Checks every ray: evenly spaced points; on the two big faces, away from the edges, the
// last point lies at depth `thickness`. `plane` gives a node's coordinates in the plate's own
// frame (x along, y across, z through the thickness). Returns how many rays were checked.
template <class Plane>
int checkThickness(const std::vector<Row>& rows, int layers, double thickness, double tolerance, Plane plane) {
    int checked = 0;
    for (std::size_t i = 0; i + static_cast<std::size_t>(layers) <= rows.size(); i += static_cast<std::size_t>(layers)) {
        const Row& last = rows[i + static_cast<std::size_t>(layers) - 1];
        for (int j = 0; j < layers; ++j)
            EXPECT_NEAR(rows[i + static_cast<std::size_t>(j)].depth, last.depth * j / (layers - 1), 1e-9 * last.depth + 1e-12);
        const std::array<double, 3> p = plane(last.x, last.y, last.z);
        const bool onBigFace = std::fabs(p[2]) < 1e-4 || std::fabs(p[2] - thickness) < 1e-4;
        const bool inside = p[0] > 1e-3 && p[0] < kLx - 1e-3 && p[1] > 1e-3 && p[1] < kLy - 1e-3;
        if (!onBigFace || !inside) continue;
        EXPECT_NEAR(last.depth, thickness, tolerance) << "node " << last.node;
        ++checked;
    }
    return checked;
}

std::array<double, 3> same(double x, double y, double z) { return {x, y, z}; }

class ExtractPlate : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtractPlate, TheBigFacesMeasureThePlateThickness) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--type", GetParam(),
                      "--lx", "12", "--ly", "8", "--thickness", "2.5", "--nx", "6", "--ny", "4", "--nz", "3"}, s)
                  .exitCode, 0);
    const QvrResult r = runQvr({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("x")}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<Row> rows = rowsOf(dir.file("x/profiles.csv"));
    // 5 x 3 interior nodes on each big face.
    EXPECT_EQ(checkThickness(rows, 11, kT, 1e-9, same), 2 * 5 * 3);
    // The skin-shell-core field has trace 1, a33 = 0.04 and a23 = 0.005 in every cell; node
    // means and interpolation (weights summing to 1) keep that at every sample point, so these
    // columns hold exactly those values.
    for (const Row& row : rows) {
        EXPECT_NEAR(row.a[0] + row.a[1] + row.a[2], 1.0, 1e-6) << "node " << row.node;
        EXPECT_NEAR(row.a[2], 0.04, 1e-7);
        EXPECT_NEAR(row.a[4], 0.005, 1e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCellType, ExtractPlate,
                         ::testing::Values("hex", "prism", "tet", "pyramid", "mixed"));

TEST(Extract, AGmshMadeMeshMeasuresItsBoxHeight) {
    TempDir dir;
    const std::string s = dir.path().string();
    // 8 x 4 x 2 mm box of Gmsh hexahedra, 10 x 6 x 3 mm box of Gmsh tetrahedra.
    const struct { const char* file; double lx, ly, t; } boxes[] = {{"box_hex_22.msh", 8, 4, 2},
                                                                   {"box_tet_41_bin.msh", 10, 6, 3}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.file);
        ASSERT_EQ(runQvr({"import", std::string(QVR_TEST_DATA_DIR) + "/gmsh/" + box.file, dir.file("g.nqb"),
                          "--fiber", dir.file("g.k7t")}, s).exitCode, 0);
        const QvrResult r = runQvr({"extract", dir.file("g.nqb"), dir.file("g.k7t"), "--out", dir.file("g")}, s);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        int checked = 0;
        for (const Row& row : rowsOf(dir.file("g/profiles.csv"))) {
            const bool big = row.z < 1e-6 || row.z > box.t - 1e-6;
            const bool inside = row.x > 1e-6 && row.x < box.lx - 1e-6 && row.y > 1e-6 && row.y < box.ly - 1e-6;
            if (row.layer != 11 || !big || !inside) continue;
            EXPECT_NEAR(row.depth, box.t, 1e-9);
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }
}

TEST(Extract, ExactThicknessHoldsOnAPlateTurnedOffTheAxes) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "rotated-plate", dir.file("r.nqb"), dir.file("r.k7t"), "--type", "tet",
                      "--lx", "12", "--ly", "8", "--thickness", "2.5", "--nx", "6", "--ny", "4", "--nz", "3",
                      "--axis", "1", "2", "3", "--angle", "30"}, s).exitCode, 0);
    const QvrResult r = runQvr({"extract", dir.file("r.nqb"), dir.file("r.k7t"), "--out", dir.file("x"),
                                "--thickness", "exact"}, s);
    if (r.exitCode == 2) GTEST_SKIP() << "the extraction tool offers no exact thickness: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const qvr::cli::Matrix3 m = qvr::cli::rotationMatrix({1, 2, 3}, 30.0 * 3.14159265358979323846 / 180.0);
    // The plate's own coordinates of a turned point: R^T p.
    const auto plane = [&m](double x, double y, double z) {
        std::array<double, 3> p{};
        for (int i = 0; i < 3; ++i) p[i] = m[0][i] * x + m[1][i] * y + m[2][i] * z;
        return p;
    };
    EXPECT_EQ(checkThickness(rowsOf(dir.file("x/profiles.csv")), 11, kT, 1e-4, plane), 2 * 5 * 3);
}

TEST(Extract, NodesLayersAndThePlottedNodeFollowTheOptions) {
    TempDir dir;
    const std::string s = dir.path().string();
    ASSERT_EQ(runQvr({"generate", "plate", dir.file("p.nqb"), dir.file("p.k7t"), "--nx", "4", "--ny", "2",
                      "--nz", "2"}, s).exitCode, 0);
    {
        std::ofstream list(dir.file("nodes.txt"));
        list << "# three skin nodes, one twice\n7, 3\n\n1 3  # again\n";
    }
    const QvrResult r = runQvr({"extract", dir.file("p.nqb"), dir.file("p.k7t"), "--out", dir.file("x"),
                                "--nodes", dir.file("nodes.txt"), "--layers", "4", "--plot-node", "3"}, s);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<Row> rows = rowsOf(dir.file("x/profiles.csv"));
    ASSERT_EQ(rows.size(), 3u * 4u);
    const int order[3] = {7, 3, 1};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].node, order[i / 4]);
        EXPECT_EQ(rows[i].layer, static_cast<int>(i % 4) + 1);
    }
    EXPECT_NE(readText(dir.file("x/profile.svg")).find("node 3 "), std::string::npos);
    EXPECT_NE(r.out.find("node 3 at"), std::string::npos) << "the table shows the plotted node";
}

}  // namespace
