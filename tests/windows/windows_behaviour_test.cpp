// What a Windows build must get right where Windows differs from the POSIX systems: text files
// with CRLF line ends, binary files holding the bytes a text-mode stream would change (0x0A,
// 0x0D, 0x1A), file names with spaces and non-ASCII characters (given as UTF-8), the message
// texts on standard output, the DLL's load-time entry point, and std::bad_alloc as the only
// exception leaving the DLL. Every case but the entry point's also runs on Linux, where it
// pins the same results.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "BuilderMeshData.h"
#include "CQVR3DResultReader_Manipulator.h"
#include "MemoryCheckers.h"
#include "NQBIO_Manipulator.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "TempDir.h"
#include "cli_support.h"
#include "common/whole_file.h"
#include "output_file.h"

namespace {

namespace fs = std::filesystem;

// A file name in UTF-8, as the library and the host take it, and as a path.
fs::path pathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string withCrlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Two layers of hexahedra over a 2 x 1 base, with their skin.
nqbio::MeshData blockMesh() {
    qvrtest::KernelMeshBuilder builder;
    builder.addBlock({qvrtest::CellKind::Hex, 2, 1, 2});
    return qvrtest::toMeshData(builder, 1.0f);
}

void expectSameMesh(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    EXPECT_EQ(a.unit, b.unit);
    ASSERT_EQ(a.xyz.size(), b.xyz.size());
    for (std::size_t i = 0; i < a.xyz.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(a.xyz[i]), std::bit_cast<std::uint32_t>(b.xyz[i]));
    ASSERT_EQ(a.parts.size(), b.parts.size());
    for (std::size_t i = 0; i < a.parts.size(); ++i) {
        EXPECT_EQ(a.parts[i].nNode, b.parts[i].nNode);
        EXPECT_TRUE(std::equal(a.parts[i].node, a.parts[i].node + 8, b.parts[i].node));
        EXPECT_EQ(a.parts[i].volume, b.parts[i].volume);
    }
    ASSERT_EQ(a.surfaces.size(), b.surfaces.size());
    for (std::size_t i = 0; i < a.surfaces.size(); ++i)
        EXPECT_TRUE(std::equal(a.surfaces[i].node, a.surfaces[i].node + 4, b.surfaces[i].node));
}

// The kernel's view of a loaded mesh: counts, volume and retained node coordinates.
std::vector<double> kernelView(const std::string& file) {
    CQVROptKer kernel;
    std::vector<char> name(file.begin(), file.end());
    name.push_back('\0');
    if (kernel.ReadMeshData(name.data(), 0) != 1) return {};
    std::vector<double> view{double(kernel.m_nNode), double(kernel.m_nInnerCell),
                             double(kernel.m_nSurface), kernel.TotalVolume};
    for (int i = 1; i <= kernel.m_nNode; ++i)
        view.insert(view.end(), {kernel.m_pNode[i].x, kernel.m_pNode[i].y, kernel.m_pNode[i].z});
    return view;
}

// Everything written to standard output (by this program and by the DLL) while `call` runs,
// as the bytes that reached the file behind it.
template <class Call>
std::string captureStdout(const fs::path& file, Call&& call) {
    std::cout.flush();
    std::fflush(stdout);
    const int saved = dup(1);
#if defined(_WIN32)
    const int target = _wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, 0600);
#else
    const int target = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
#endif
    if (saved < 0 || target < 0) return "<stdout could not be redirected>";
    dup2(target, 1);
    close(target);
    call();
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return readBytes(file);
}

// A standard output file's line ends: the C library writes "\r\n" for each "\n" on Windows.
std::string platformLines(const std::string& text) {
#if defined(_WIN32)
    return withCrlf(text);
#else
    return text;
#endif
}

// Floats whose little-endian bytes hold 0x1A (end of file for a text-mode read), 0x0A (becomes
// 0x0D 0x0A when written in text mode) and 0x0D (dropped before 0x0A when read in text mode).
const float kTextModeBytes[] = {std::bit_cast<float>(0x410D0A1Au),
                                std::bit_cast<float>(0x3F1A0D0Au),
                                std::bit_cast<float>(0x400A1A0Du)};

TEST(CrlfTextFiles, MeshReadsTheSameAsWithLf) {
    TempDir dir;
    const std::string lf = dir.file("lf.nqb"), crlf = dir.file("crlf.nqb");
    ASSERT_TRUE(nqbio::writeText(lf, blockMesh()));
    const std::string text = readBytes(lf);
    // The writer's lines end in "\n" on every platform: the file is opened in binary mode.
    EXPECT_EQ(text.find('\r'), std::string::npos);
    writeBytes(crlf, withCrlf(text));

    nqbio::MeshData fromLf, fromCrlf;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(lf, fromLf, &error)) << error;
    ASSERT_TRUE(nqbio::readMesh(crlf, fromCrlf, &error)) << error;
    expectSameMesh(fromLf, blockMesh());
    expectSameMesh(fromCrlf, fromLf);

    const std::vector<double> kernelLf = kernelView(lf);
    EXPECT_FALSE(kernelLf.empty());
    EXPECT_EQ(kernelView(crlf), kernelLf);
}

TEST(BinaryFiles, BytesATextModeStreamWouldChangeRoundTrip) {
    TempDir dir;
    nqbio::MeshData mesh = blockMesh();
    std::copy(std::begin(kTextModeBytes), std::end(kTextModeBytes), mesh.xyz.begin());
    mesh.parts[0].volume = kTextModeBytes[1];
    const std::string meshFile = dir.file("bytes.nqb");
    ASSERT_TRUE(nqbio::writeBinary(meshFile, mesh));
    EXPECT_NE(readBytes(meshFile).find(std::string("\x1A\x0A\x0D\x41", 4)), std::string::npos)
        << "the first coordinate's bytes were changed on the way out";
    nqbio::MeshData back;
    std::string error;
    ASSERT_TRUE(nqbio::readMesh(meshFile, back, &error)) << error;
    expectSameMesh(back, mesh);
    EXPECT_EQ(back.parts[0].volume, mesh.parts[0].volume);

    k7t::ResultFile results;
    results.elemCount = 3;
    results.project = "line\nends\r\n";
    k7t::ResultItem& item = results.items.emplace_back();
    item.id = k7t::kFiberItemIds[0];
    item.name = k7t::kFiberItemNames[0];
    item.values.assign(std::begin(kTextModeBytes), std::end(kTextModeBytes));
    const std::string resultFile = dir.file("bytes.k7t");
    ASSERT_TRUE(k7t::write(resultFile, results, &error)) << error;
    k7t::ResultFile read;
    ASSERT_TRUE(k7t::read(resultFile, read, &error)) << error;
    EXPECT_EQ(read.project, results.project);
    ASSERT_EQ(read.items.size(), 1u);
    ASSERT_EQ(read.items[0].values.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(read.items[0].values[i]),
                  std::bit_cast<std::uint32_t>(kTextModeBytes[i]));
}

TEST(FileNames, SpacesAndNonAsciiCharactersReachTheFiles) {
    TempDir dir;
    // "mit Leerzeichen äö/Teil 測試 ü.nqb" and its result file, in UTF-8.
    const std::string folder = utf8Of(dir.path()) + "/mit Leerzeichen \xC3\xA4\xC3\xB6";
    const std::string mesh = folder + "/Teil \xE6\xB8\xAC\xE8\xA9\xA6 \xC3\xBC.nqb";
    const std::string results = folder + "/Ergebnis \xE2\x82\xAC.k7t";
    fs::create_directories(pathOf(folder));
    ASSERT_TRUE(nqbio::writeBinary(mesh, blockMesh()));
    k7t::ResultFile fibres;
    fibres.elemCount = static_cast<std::int64_t>(blockMesh().parts.size());
    ASSERT_TRUE(k7t::write(results, fibres));

    // The names on disk are the ones given, not their bytes read in another code page.
    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(pathOf(folder)))
        listed.push_back(utf8Of(entry.path().filename()));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"Ergebnis \xE2\x82\xAC.k7t",
                                                "Teil \xE6\xB8\xAC\xE8\xA9\xA6 \xC3\xBC.nqb"}));

    nqbio::MeshData back;
    EXPECT_TRUE(nqbio::readMesh(mesh, back));
    const std::string plainName = dir.file("plain.nqb");
    ASSERT_TRUE(nqbio::writeBinary(plainName, blockMesh()));
    EXPECT_FALSE(kernelView(mesh).empty());
    EXPECT_EQ(kernelView(mesh), kernelView(plainName));
    QVR3DExtractTool tool;
    std::vector<char> meshName(mesh.begin(), mesh.end()),
        resultName(results.begin(), results.end());
    meshName.push_back('\0');
    resultName.push_back('\0');
    EXPECT_EQ(tool.SetMeshFileName(meshName.data()), 1);
    EXPECT_EQ(tool.SetK7TFileName(resultName.data()), 1);

    // The host's output folder and files, and its whole-file read.
    const std::string outFolder = folder + "/Ausgabe \xC3\x9F";
    qvr::cli::makeOutputFolder(outFolder);
    qvr::cli::OutputFile out(outFolder + "/profiles \xC3\xA9.csv");
    out.write("a,b\n");
    out.close();
    std::string data, error;
    EXPECT_TRUE(
        qvr::common::readWholeFile((outFolder + "/profiles \xC3\xA9.csv").c_str(), data, error))
        << error;
    EXPECT_EQ(data, "a,b\n");
}

TEST(StandardOutput, KernelMessagesKeepTheirTextAndOrder) {
    TempDir dir;
    const std::string mesh = dir.file("block.nqb");
    ASSERT_TRUE(nqbio::writeText(mesh, blockMesh()));
    std::vector<char> name(mesh.begin(), mesh.end()), missing(name);
    name.push_back('\0');
    missing.insert(missing.end(), {'x', '\0'});

    // A refused file: the line the header names (the text ends in a line end of its own).
    CQVROptKer kernel;
    int refused = 0;
    EXPECT_EQ(captureStdout(dir.path() / "refused.txt",
                            [&] { refused = kernel.ReadMeshData(missing.data(), 0); }),
              platformLines("Error 3301: Can't open mesh file !\n\n"));
    EXPECT_EQ(refused, 3301);

    // At print level 1 the message log's lines (std::cout in the DLL) and the printf lines come
    // out in the order they were written.
    kernel.setParameter(1);
    int loaded = 0;
    const std::string written = captureStdout(
        dir.path() / "loaded.txt", [&] { loaded = kernel.ReadMeshData(name.data(), 1); });
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(written,
              platformLines(mesh + "\n" + "dUnitFactor = 1.000000\n" + "Mesh file read end\n" +
                            "Number of Sufurace Elems      : 16 \n"
                            "Number of Part Elems          : 4 \n"
                            "Number of Nodes               : 18 \n\n"));
}

// A failed allocation inside the DLL reaches the host as std::bad_alloc, caught by its type
// although the DLL and the program each carry their own copy of the C++ runtime; the tool is
// then usable again. A table of INT_MAX - 1 ray records cannot be had in any address space
// this runs in, so no memory cap is needed.
TEST(DllBoundary, BadAllocIsTheOneExceptionThatCrossesIt) {
    if (qvrtest::kUnderAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reports a failed operator new instead of throwing";
    TempDir dir;
    const std::string mesh = dir.file("block.nqb");
    ASSERT_TRUE(nqbio::writeText(mesh, blockMesh()));
    std::vector<char> name(mesh.begin(), mesh.end());
    name.push_back('\0');
    QVR3DExtractTool tool;
    ASSERT_EQ(tool.SetMeshFileName(name.data()), 1);
    double x[2] = {0, 0.5}, y[2] = {0, 0.5}, z[2] = {0, 0}, ax[2] = {0, 0}, ay[2] = {0, 0},
           az[2] = {0, 1};
    bool caughtAsBadAlloc = false;
    try {
        tool.SetSurfaceNode(INT_MAX - 1, 2, x, y, z, ax, ay, az);
    } catch (const std::bad_alloc&) {
        caughtAsBadAlloc = true;
    } catch (...) {
    }
    EXPECT_TRUE(caughtAsBadAlloc);
    double d[3], f1[3], f2[3], f3[3], f4[3], f5[3], f6[3];
    EXPECT_EQ(tool.GetFiber(1, d, f1, f2, f3, f4, f5, f6), -1);
    EXPECT_EQ(tool.SetSurfaceNode(1, 2, x, y, z, ax, ay, az), 1);
    EXPECT_EQ(tool.GetFiber(1, d, f1, f2, f3, f4, f5, f6), 1);
    EXPECT_DOUBLE_EQ(d[2], 2.0);  // through the two layers of unit cubes
}

// The entry point of a freshly loaded copy of the DLL reports success for the process and
// thread notifications and does nothing else: nothing written, nothing left running.
TEST(DllEntryPoint, AFreshCopyLoadsAndUnloadsQuietly) {
#if !defined(_WIN32)
    GTEST_SKIP() << "a DLL entry point exists on Windows only";
#else
    HMODULE linked = GetModuleHandleW(L"QVROptKer.dll");
    ASSERT_NE(linked, nullptr);
    wchar_t original[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(linked, original, MAX_PATH), 0u);
    TempDir dir;
    // Under another name, so that loading it runs its entry point again.
    const fs::path copy = dir.path() / "QVROptKerCopy.dll";
    fs::copy_file(original, copy);
    int (*answer)() = nullptr;
    HMODULE loaded = nullptr;
    const std::string written = captureStdout(dir.path() / "load.txt", [&] {
        loaded = LoadLibraryW(copy.c_str());
        if (loaded != nullptr)
            answer = reinterpret_cast<int (*)()>(
                reinterpret_cast<void*>(GetProcAddress(loaded, "_Z11fnQVROptKerv")));
        std::thread([] {}).join();  // a thread attach and detach while it is loaded
    });
    ASSERT_NE(loaded, nullptr) << "LoadLibrary failed with " << GetLastError();
    EXPECT_NE(loaded, linked);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(written, "");
    EXPECT_TRUE(FreeLibrary(loaded));
    EXPECT_EQ(GetModuleHandleW(copy.c_str()), nullptr);
#endif
}

}  // namespace
