// Shared pieces of the hardening tests: the damaged-input manifest, a snapshot of a kernel's
// public fields, a small valid mesh of our own, and a watchdog that runs a call in a child
// process so that a hang or crash shows as a failed test instead of a stalled run.
#ifndef QVR_TESTS_HARDENING_SUPPORT_H
#define QVR_TESTS_HARDENING_SUPPORT_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "NQBIO_Manipulator.h"
#include "QVROptKer.h"

namespace hardening {

inline std::string damagedDir() { return std::string(QVR_TEST_DATA_DIR) + "/damaged"; }
inline std::string damagedFile(const std::string& name) { return damagedDir() + "/" + name; }

// One line of tests/data/damaged/MANIFEST.txt.
struct ManifestEntry {
    std::string file;
    int readerResult = 0;   // beginReading (mesh) or BeginReading (result)
    int publicResult = 0;   // ReadMeshData (mesh) or SetK7TFileName (result)
    std::string place;      // where the mesh reader must point: "12", "92/88" either, "*" any, "-" none
    std::string what;

    bool isMesh() const { return file.size() > 4 && file.compare(file.size() - 4, 4, ".nqb") == 0; }
};

// Test parameters are shown by their file name.
inline void PrintTo(const ManifestEntry& e, std::ostream* os) { *os << e.file; }

inline std::string trim(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    const auto b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

inline std::vector<ManifestEntry> loadManifest() {
    std::vector<ManifestEntry> entries;
    std::ifstream in(damagedFile("MANIFEST.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '|')) f.push_back(trim(field));
        if (f.size() != 5) continue;
        entries.push_back({f[0], std::stoi(f[1]), std::stoi(f[2]), f[3], f[4]});
    }
    return entries;
}

inline std::vector<std::string> alternatives(const std::string& place) {
    std::vector<std::string> out;
    std::stringstream ss(place);
    std::string p;
    while (std::getline(ss, p, '/')) out.push_back(p);
    return out;
}

// Every public field of a kernel, with copies of the tables behind the pointers, so that two
// snapshots compare equal exactly when a call left the kernel as it was.
struct KernelSnapshot {
    std::vector<double> scalars;
    std::vector<const void*> pointers;
    std::vector<int> ints;
    std::vector<double> nodes;
    std::vector<int> cells;

    explicit KernelSnapshot(const CQVROptKer& k) {
        scalars = {k.TotalVolume, k.Box_xMax, k.Box_yMax, k.Box_zMax, k.Box_xMin,
                   k.Box_yMin,    k.Box_zMin, k.MinMesh,  k.AverageThickness};
        pointers = {k.m_pMsgTool,   k.m_pADTree,     k.m_pNode,      k.m_pSurface,
                    k.p_Cell,       k.m_pNodeInPart, k.m_pNodeKind,  k.m_pNodeNewID,
                    k.m_pCellKind,  k.m_ppPassElemList, k.m_ppNearBlockList};
        ints = {k.m_nNodeInFile, k.m_nNode,       k.m_nInnerCell, k.m_nSurface,
                k.m_nPrintLevel, k.m_bFormatFlag, k.m_nSlotCount};
        for (int i = 1; k.m_pNode && i <= k.m_nNode; ++i) {
            nodes.insert(nodes.end(), {k.m_pNode[i].x, k.m_pNode[i].y, k.m_pNode[i].z});
            ints.push_back(k.m_pNode[i].orgID);
        }
        for (int e = 1; k.p_Cell && e <= k.m_nInnerCell; ++e) {
            cells.push_back(k.p_Cell[e].nNode);
            for (int j = 1; j <= k.p_Cell[e].nNode; ++j) cells.push_back(k.p_Cell[e].pNode[j]);
        }
        for (int s = 1; k.m_pSurface && s <= k.m_nSurface; ++s) {
            cells.push_back(k.m_pSurface[s].nNode);
            for (int j = 1; j <= k.m_pSurface[s].nNode; ++j) cells.push_back(k.m_pSurface[s].pNode[j]);
        }
        for (int i = 0; k.m_pNodeInPart && i <= k.m_nNodeInFile; ++i) {
            ints.insert(ints.end(), {k.m_pNodeInPart[i], k.m_pNodeKind[i], k.m_pNodeNewID[i]});
        }
    }
    bool operator==(const KernelSnapshot& o) const {
        return std::tie(scalars, pointers, ints, nodes, cells) ==
               std::tie(o.scalars, o.pointers, o.ints, o.nodes, o.cells);
    }
};

// A block of nx * ny * nz unit hexahedra with its skin (corners counter-clockwise seen from
// outside), in the given unit.
inline nqbio::MeshData blockMesh(int nx, int ny, int nz, const std::string& unit = "mm") {
    nqbio::MeshData m;
    m.unit = unit;
    const auto id = [&](int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); };
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                m.xyz.insert(m.xyz.end(), {float(i), float(j), float(k)});
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                nqbio::PartElement e;
                e.nNode = 8;
                const int n[8] = {id(i, j, k),         id(i + 1, j, k),         id(i + 1, j + 1, k),
                                  id(i, j + 1, k),     id(i, j, k + 1),         id(i + 1, j, k + 1),
                                  id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)};
                std::copy(n, n + 8, e.node);
                e.volume = 1.0f;
                m.parts.push_back(e);
            }
    const auto face = [&](int a, int b, int c, int d) {
        nqbio::SurfaceElement s;
        s.node[0] = a, s.node[1] = b, s.node[2] = c, s.node[3] = d;
        m.surfaces.push_back(s);
    };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            face(id(i, j, 0), id(i, j + 1, 0), id(i + 1, j + 1, 0), id(i + 1, j, 0));
            face(id(i, j, nz), id(i + 1, j, nz), id(i + 1, j + 1, nz), id(i, j + 1, nz));
        }
    for (int k = 0; k < nz; ++k)
        for (int i = 0; i < nx; ++i) {
            face(id(i, 0, k), id(i + 1, 0, k), id(i + 1, 0, k + 1), id(i, 0, k + 1));
            face(id(i, ny, k), id(i, ny, k + 1), id(i + 1, ny, k + 1), id(i + 1, ny, k));
        }
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j) {
            face(id(0, j, k), id(0, j, k + 1), id(0, j + 1, k + 1), id(0, j + 1, k));
            face(id(nx, j, k), id(nx, j + 1, k), id(nx, j + 1, k + 1), id(nx, j, k + 1));
        }
    return m;
}

// How a call run under the watchdog ended.
enum class Outcome { Passed, Failed, Crashed, Hung };

inline const char* describe(Outcome o) {
    switch (o) {
        case Outcome::Passed: return "passed";
        case Outcome::Failed: return "failed its checks";
        case Outcome::Crashed: return "crashed";
        case Outcome::Hung: return "did not finish";
    }
    return "?";
}

// Runs `call` in a child process. The limit is no measure of speed: it is far above what the
// call needs even under a sanitizer or valgrind, and only tells a hang from a finished call.
inline Outcome inChild(const std::function<bool()>& call, unsigned limitSeconds = 120) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(limitSeconds);
        const bool ok = call();
        std::fflush(nullptr);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return Outcome::Crashed;
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 0 ? Outcome::Passed : Outcome::Failed;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return Outcome::Hung;
    return Outcome::Crashed;
}

}  // namespace hardening

#endif
