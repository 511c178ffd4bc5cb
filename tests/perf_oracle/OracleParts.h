// Generated parts of every cell kind for the comparisons with the straightforward code, loaded
// into a kernel through a mesh file as a host would.
#ifndef QVR_TESTS_PERF_ORACLE_ORACLE_PARTS_H
#define QVR_TESTS_PERF_ORACLE_ORACLE_PARTS_H

#include <string>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "PartGenerator.h"
#include "QVROptKer.h"
#include "TempDir.h"

namespace oracle {

struct NamedPart {
    std::string name;
    nqbio::MeshData mesh;
};

// Plates with a rib and a hole in each cell kind, rotated and scaled plates, and tubes.
inline std::vector<NamedPart> testParts() {
    using qvr::gen::CellType;
    std::vector<NamedPart> parts;
    const CellType kinds[] = {CellType::Tet, CellType::Pyramid, CellType::Prism, CellType::Hex,
                              CellType::Mixed};
    for (CellType kind : kinds) {
        qvr::gen::PlateSpec s;
        s.lx = 6.0;
        s.ly = 4.0;
        s.thickness = 1.5;
        s.nx = 6;
        s.ny = 4;
        s.nz = 3;
        s.type = kind;
        s.ribs = true;
        s.ribCount = 1;
        s.ribHeight = 2.0;
        s.ribWidth = 1.0;
        s.hole = true;
        parts.push_back({std::string("plate-") + qvr::gen::cellTypeName(kind), qvr::gen::makePlate(s)});
    }
    {
        qvr::gen::PlateSpec s;
        s.lx = 5.0;
        s.ly = 3.0;
        s.thickness = 1.0;
        s.nx = 5;
        s.ny = 3;
        s.nz = 2;
        s.type = CellType::Mixed;
        nqbio::MeshData m = qvr::gen::makePlate(s);
        qvr::gen::rotate(m, {1.0, 2.0, 3.0}, 0.7);
        parts.push_back({"rotated-mixed-plate", m});
        nqbio::MeshData small = qvr::gen::makePlate(s);
        qvr::gen::rotate(small, {0.0, 1.0, 0.0}, 0.3);
        qvr::gen::scale(small, 0.037);
        parts.push_back({"tilted-small-plate", small});
    }
    for (CellType kind : {CellType::Hex, CellType::Tet, CellType::Mixed}) {
        qvr::gen::TubeSpec t;
        t.innerRadius = 2.0;
        t.wall = 0.8;
        t.length = 3.0;
        t.nTheta = 10;
        t.nWall = 2;
        t.nZ = 3;
        t.type = kind;
        parts.push_back({std::string("tube-") + qvr::gen::cellTypeName(kind), qvr::gen::makeTube(t)});
    }
    return parts;
}

// Loads the mesh through a text mesh file; false when the kernel refuses it.
inline bool loadPart(const nqbio::MeshData& mesh, CQVROptKer& k) {
    TempDir dir;
    const std::string path = dir.file("part.nqb");
    if (!nqbio::writeText(path, mesh)) return false;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    return k.ReadMeshData(name.data(), 0) == 1;
}

}  // namespace oracle

#endif
