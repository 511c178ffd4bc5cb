// The Gmsh importer refuses what it cannot import, with a reason that says where and why, and
// never reads past the data it was given.
#include <gtest/gtest.h>

#include <string>

#include "QvrRunner.h"
#include "gmsh_import.h"

using qvr::cli::GmshImportReport;
using qvr::cli::importGmshData;

namespace {

std::string fixtureText(const std::string& name) {
    return readText(std::string(QVR_TEST_DATA_DIR) + "/gmsh/" + name);
}

// Imports and returns the error text ("" on success).
std::string importError(const std::string& data) {
    nqbio::MeshData mesh;
    GmshImportReport r;
    std::string error;
    return importGmshData(data, "mm", mesh, r, error) ? std::string() : error;
}

const char* const kTwoTets22 =
    "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n"
    "$Nodes\n5\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n5 1 1 1\n$EndNodes\n"
    "$Elements\n2\n1 4 0 1 2 3 4\n2 4 0 2 3 4 5\n$EndElements\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(GmshDamage, AWellFormedSmallFileImports) { EXPECT_EQ(importError(kTwoTets22), ""); }

TEST(GmshDamage, HigherOrderSolidsAreRefusedByTypeAndName) {
    const std::string error = importError(fixtureText("box_tet10_41.msh"));
    EXPECT_NE(error.find("element type 11"), std::string::npos) << error;
    EXPECT_NE(error.find("10-node tetrahedron"), std::string::npos) << error;
    EXPECT_NE(error.find("not supported"), std::string::npos) << error;
    // The same in a 2.2 file: a 20-node hexahedron.
    const std::string hex20 = replaced(kTwoTets22, "2 4 0 2 3 4 5",
                                       "2 17 0 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5 1 2 3 4 5");
    EXPECT_NE(importError(hex20).find("element type 17"), std::string::npos);
}

TEST(GmshDamage, WhatIsNotAGmshFileOfAKnownVersionIsRefused) {
    EXPECT_NE(importError("NQBTEXT 1\nUNIT mm\n").find("not a Gmsh mesh file"), std::string::npos);
    EXPECT_NE(importError("").find("end of file"), std::string::npos);
    for (const char* version : {"3.0", "4.0", "1.0"}) {
        const std::string error = importError(replaced(kTwoTets22, "2.2 0 8", std::string(version) + " 0 8"));
        EXPECT_NE(error.find(std::string("MSH version ") + version + " is not supported"),
                  std::string::npos) << error;
    }
}

TEST(GmshDamage, InconsistentContentIsNamed) {
    EXPECT_NE(importError(replaced(kTwoTets22, "2 4 0 2 3 4 5", "2 4 0 2 3 4 99")).find("node tag 99"),
              std::string::npos);
    EXPECT_NE(importError(replaced(kTwoTets22, "5 1 1 1", "4 1 1 1")).find("node tag 4 appears twice"),
              std::string::npos);
    EXPECT_NE(importError(replaced(kTwoTets22, "1 0 0 0\n", "0 0 0 0\n")).find("not positive"),
              std::string::npos);
    // Only boundary triangles: nothing to import.
    const std::string flat = replaced(replaced(kTwoTets22, "1 4 0 1 2 3 4", "1 2 0 1 2 3"),
                                      "2 4 0 2 3 4 5", "2 2 0 2 3 4");
    EXPECT_NE(importError(flat).find("no tetrahedra"), std::string::npos);
    EXPECT_NE(importError(replaced(kTwoTets22, "$EndNodes", "$EndNode")).find("expected $EndNodes"),
              std::string::npos);
    EXPECT_NE(importError(replaced(kTwoTets22, "$Elements\n2\n", "$Elements\n3\n")), "");
}

TEST(GmshDamage, TheReasonGivesTheLineOfABadToken) {
    // Line 7 holds node 2; its y becomes a word.
    const std::string error = importError(replaced(kTwoTets22, "2 1 0 0", "2 1 zero 0"));
    EXPECT_NE(error.find("line 7"), std::string::npos) << error;
}

TEST(GmshDamage, CountsBeyondTheFileAreRefusedBeforeAnyAllocation) {
    EXPECT_NE(importError(replaced(kTwoTets22, "$Nodes\n5\n", "$Nodes\n1000000000000\n"))
                  .find("more than the file holds"), std::string::npos);
    // Binary 4.1: the node count field (a size_t after "$Nodes\n") set to 2^62.
    std::string bin = fixtureText("hybrid_41_bin.msh");
    const std::size_t at = bin.find("$Nodes\n");
    ASSERT_NE(at, std::string::npos);
    const unsigned long long huge = 1ull << 62;
    bin.replace(at + 7 + 8, 8, reinterpret_cast<const char*>(&huge), 8);
    EXPECT_NE(importError(bin).find("damaged"), std::string::npos);
}

TEST(GmshDamage, BigEndianBinaryFilesAreRefused) {
    std::string bin = fixtureText("box_hex_41_bin.msh");
    const std::size_t at = bin.find("4.1 1 8\n");
    ASSERT_NE(at, std::string::npos);
    const unsigned char swapped[4] = {0, 0, 0, 1};
    bin.replace(at + 8, 4, reinterpret_cast<const char*>(swapped), 4);
    EXPECT_NE(importError(bin).find("big-endian"), std::string::npos);
}

// Every cut of a file before its last section ends is refused, and no cut reads past the data
// (the sanitizer build would stop on that).
TEST(GmshDamage, EveryTruncationBeforeTheEndIsRefused) {
    for (const char* name : {"sparse_tags_22.msh", "sparse_tags_41.msh", "box_hex_41_bin.msh",
                             "wedge_prism_22_bin.msh"}) {
        const std::string whole = fixtureText(name);
        const std::size_t complete = whole.rfind("$EndElements") + std::string("$EndElements").size();
        for (std::size_t length = 0; length < complete; ++length) {
            const std::string cut = whole.substr(0, length);
            ASSERT_NE(importError(cut), "") << name << " cut at " << length;
        }
        EXPECT_EQ(importError(whole.substr(0, complete)), "") << name;
    }
}

}  // namespace
