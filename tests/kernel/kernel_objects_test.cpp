// A fresh kernel, its small setters, the record classes' copies, and the splitting of joined
// command arguments at asterisks into up to six buffers.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "CQVRKNLogErrMsgTool.h"
#include "QVROptKer.h"

namespace {

TEST(KernelLifecycle, FreshKernelAndSetters) {
    CQVROptKer k;
    EXPECT_EQ(k.MinMesh, 0.1);
    EXPECT_EQ(k.m_nPrintLevel, 0);
    EXPECT_EQ(k.m_nNode + k.m_nInnerCell + k.m_nSurface + k.m_nSlotCount, 0);
    EXPECT_TRUE(k.m_pNode == nullptr && k.m_pADTree == nullptr && k.m_pMsgTool == nullptr);

    CQVRKNLogErrMsgTool tool;
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    EXPECT_EQ(k.getMsgPtr(&tool), 1);
    EXPECT_EQ(k.m_pMsgTool, &tool);
    EXPECT_EQ(k.getMsgPtr(nullptr), -1);
    EXPECT_EQ(k.m_pMsgTool, &tool);  // a null tool does not clear the stored one
    EXPECT_EQ(k.setParameter(-7), 1);
    EXPECT_EQ(k.m_nPrintLevel, -7);
    EXPECT_EQ(k.resetMinMesh(-0.5), 1);
    EXPECT_EQ(k.MinMesh, -0.5);
}

// Assignment and copy() both give every field of `original`, arrays shared.
template <typename Record, typename Fields>
void expectCopies(Record& original, Fields fieldsOf) {
    Record assigned, copied;
    assigned = original;
    copied.copy(original);
    EXPECT_EQ(fieldsOf(assigned), fieldsOf(original));
    EXPECT_EQ(fieldsOf(copied), fieldsOf(original));
}

TEST(Records, CopyAndAssignmentShareTheArrays) {
    int nodes[5] = {0, 4, 3, 2, 1};
    double xs[3] = {0, 1, 2};
    CFaceElem face;
    EXPECT_EQ(face.pNode, nullptr);
    std::tie(face.nNode, face.pNode, face.xMin, face.yMin, face.zMin, face.xMax, face.yMax,
             face.zMax, face.zMid, face.xc, face.yc, face.zc, face.ax, face.ay, face.az) =
        std::make_tuple(4, nodes, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);
    expectCopies(face, [](const CFaceElem& f) {
        return std::make_tuple(f.nNode, f.pNode, f.xMin, f.yMin, f.zMin, f.xMax, f.yMax, f.zMax,
                               f.zMid, f.xc, f.yc, f.zc, f.ax, f.ay, f.az);
    });

    CRayData ray;
    std::tie(ray.nPoint, ray.dx, ray.dy, ray.dz, ray.pX, ray.pY, ray.pZ, ray.pDist, ray.pCellID) =
        std::make_tuple(2, 1.0, 2.0, 3.0, xs, xs + 1, xs + 2, xs, nodes);
    expectCopies(ray, [](const CRayData& r) {
        return std::make_tuple(r.nPoint, r.dx, r.dy, r.dz, r.pX, r.pY, r.pZ, r.pDist, r.pCellID);
    });
}

constexpr char kUntouched[] = "untouched";
using Fields = std::array<std::string, 6>;

// Runs argumentHandle on the given arguments and returns the six buffers.
Fields split(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    char out[6][64];
    for (auto& o : out) std::strcpy(o, kUntouched);
    CQVROptKer kernel;
    EXPECT_EQ(kernel.argumentHandle(static_cast<int>(argv.size()), argv.data(), out[0], out[1],
                                    out[2], out[3], out[4], out[5]),
              1);
    Fields result;
    for (int i = 0; i < 6; ++i) result[i] = out[i];
    return result;
}

TEST(ArgumentHandle, FieldsEndAtEachAsterisk) {
    const std::string u = kUntouched;
    EXPECT_EQ(split({"a*b*c*"}), (Fields{"a", "b", "c", u, u, u}));
    // The program name and the joining blank belong to the first field.
    EXPECT_EQ(split({"prog", "x*y*"}), (Fields{"prog x", "y", u, u, u, u}));
    EXPECT_EQ(split({"a**b*"}), (Fields{"a", "", "b", u, u, u}));
    EXPECT_EQ(split({"no asterisk here"}), (Fields{u, u, u, u, u, u}));
    EXPECT_EQ(split({"a*b"}), (Fields{"a", u, u, u, u, u}));
    EXPECT_EQ(split({"1*2*3*4*5*6*7*8*"}), (Fields{"1", "2", "3", "4", "5", "6"}));
    // Arguments are joined before the split, so a field can span them.
    EXPECT_EQ(split({"p", "a", "b*", "*c*"}), (Fields{"p a b", " ", "c", u, u, u}));
    EXPECT_EQ(split({"*"}), (Fields{"", u, u, u, u, u}));
}

TEST(ArgumentHandle, NothingToSplitIsSafe) {
    char out[6][16];
    for (auto& o : out) std::strcpy(o, "x");
    CQVROptKer kernel;
    EXPECT_EQ(kernel.argumentHandle(0, nullptr, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    char arg[] = "a*b*";
    char* argv[] = {arg, nullptr};
    EXPECT_EQ(kernel.argumentHandle(0, argv, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    EXPECT_EQ(kernel.argumentHandle(-3, argv, out[0], out[1], out[2], out[3], out[4], out[5]), 1);
    for (auto& o : out) EXPECT_STREQ(o, "x");
    // Null buffers simply receive nothing; the others are still filled.
    EXPECT_EQ(kernel.argumentHandle(1, argv, nullptr, out[1], nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_STREQ(out[1], "b");
}

}  // namespace
