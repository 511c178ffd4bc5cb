// Meshes for the kernel tests, built in code and written with the project's own writer.
#ifndef QVR_TESTS_KERNEL_MESH_FILES_H
#define QVR_TESTS_KERNEL_MESH_FILES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace kerneltest {

class MeshBuilder {
public:
    explicit MeshBuilder(std::string unit = "mm") { mesh_.unit = std::move(unit); }

    // Adds a node and returns its file number.
    int node(float x, float y, float z) {
        for (float c : {x, y, z}) mesh_.xyz.push_back(c);
        return mesh_.nodeCount();
    }
    // Adds a part element over the given file node numbers.
    MeshBuilder& cell(std::initializer_list<int> nodes, float volume = 1.0f,
                      std::uint32_t attrWord = 0, std::int32_t attrCode = 1) {
        nqbio::PartElement e{static_cast<int>(nodes.size()), {}, attrWord, attrCode, volume};
        std::copy(nodes.begin(), nodes.end(), e.node);
        mesh_.parts.push_back(e);
        return *this;
    }
    MeshBuilder& face(int a, int b, int c, int d, int kind = 1, int code = 0) {
        mesh_.surfaces.push_back({{a, b, c, d}, kind, 0, 0, code, 0});
        return *this;
    }
    const nqbio::MeshData& mesh() const { return mesh_; }

private:
    nqbio::MeshData mesh_;
};

// The unit cube: nodes 1..8 at the corners, one hexahedron, six outward skin faces.
inline MeshBuilder unitCube(const std::string& unit = "mm", float volume = 1.0f) {
    MeshBuilder b(unit);
    const float corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                 {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (const auto& c : corners) b.node(c[0], c[1], c[2]);
    b.cell({1, 2, 3, 4, 5, 6, 7, 8}, volume);
    b.face(1, 4, 3, 2).face(5, 6, 7, 8).face(1, 2, 6, 5);
    b.face(2, 3, 7, 6).face(3, 4, 8, 7).face(4, 1, 5, 8);
    return b;
}

enum class Encoding { Text, Binary };

inline std::string writeMesh(const TempDir& dir, const std::string& name,
                             const nqbio::MeshData& mesh, Encoding encoding = Encoding::Text) {
    const std::string path = dir.file(name);
    std::string error;
    const bool ok = encoding == Encoding::Text ? nqbio::writeText(path, mesh, &error)
                                               : nqbio::writeBinary(path, mesh, &error);
    EXPECT_TRUE(ok) << error;
    return path;
}

// Loads with standard output and standard error captured.
struct LoadOutcome {
    int result = 0;
    std::string out;
    std::string err;
};

inline LoadOutcome load(CQVROptKer& kernel, const std::string& path, int allNodeFlag = 0) {
    std::string name = path;
    LoadOutcome o;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    o.result = kernel.ReadMeshData(name.data(), allNodeFlag);
    o.err = testing::internal::GetCapturedStderr();
    o.out = testing::internal::GetCapturedStdout();
    return o;
}

}  // namespace kerneltest

#endif
