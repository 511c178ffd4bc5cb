// qvr import-results: per-cell tensors from CSV, VTU and numpy files give one and the same
// result file, and tensors that do not fit the mesh are refused with one line.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "CQVR3DResultReader_Manipulator.h"
#include "QvrTestSupport.h"
#include "TempDir.h"
#include "cli_support.h"
#include "generator/PartGenerator.h"
#include "npy_archive.h"
#include "number_text.h"
#include "tensor_import.h"
#include "vtk_xml_grid.h"

using namespace qvr::cli;

namespace {

// Tensor of cell c (1-based): distinct per cell and component, exact in float.
std::array<double, 6> tensorOf(long long c) {
    std::array<double, 6> a{};
    for (std::size_t k = 0; k < 6; ++k)
        a[k] = 0.125 * static_cast<double>(k + 1) + 0.0078125 * static_cast<double>(c);
    return a;
}

// ",v1,v2,..." with every double given back exactly.
std::string joined(const std::array<double, 6>& a) {
    std::string row;
    for (double v : a) row.append(",").append(significantText(v, 17));
    return row;
}

std::string npyImage(const std::vector<double>& values, std::size_t rows, std::size_t cols,
                     const char* descr = "<f8") {
    std::string header = "{'descr': '" + std::string(descr) +
                         "', 'fortran_order': False, 'shape': (" + std::to_string(rows) +
                         (cols ? ", " + std::to_string(cols) : std::string(",")) + "), }";
    while ((10 + header.size() + 1) % 64 != 0) header += ' ';
    header += '\n';
    std::string image("\x93NUMPY\x01\x00", 8);
    const auto length = static_cast<std::uint16_t>(header.size());
    image.append(reinterpret_cast<const char*>(&length), 2);
    image += header;
    if (std::string(descr) == "<i8") {
        for (double v : values) {
            const auto i = static_cast<std::int64_t>(v);
            image.append(reinterpret_cast<const char*>(&i), 8);
        }
    } else {
        image.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
    }
    return image;
}

// A zip archive of the entries, each stored or raw-deflated as numpy.savez(_compressed) does.
std::string zipImage(const std::vector<std::pair<std::string, std::string>>& entries,
                     bool deflated) {
    std::string zip, directory;
    const auto put16 = [](std::string& s, std::uint16_t v) {
        s.append(reinterpret_cast<const char*>(&v), 2);
    };
    const auto put32 = [](std::string& s, std::uint32_t v) {
        s.append(reinterpret_cast<const char*>(&v), 4);
    };
    for (const auto& [name, data] : entries) {
        std::string body = data;
        if (deflated) {
            z_stream z{};
            deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            body.assign(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
            z.avail_in = static_cast<uInt>(data.size());
            z.next_out = reinterpret_cast<Bytef*>(body.data());
            z.avail_out = static_cast<uInt>(body.size());
            deflate(&z, Z_FINISH);
            body.resize(z.total_out);
            deflateEnd(&z);
        }
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const auto offset = static_cast<std::uint32_t>(zip.size());
        for (std::string* s : {&zip, &directory}) {
            const bool central = s == &directory;
            put32(*s, central ? 0x02014b50 : 0x04034b50);
            if (central) put16(*s, 20);
            put16(*s, 20);
            put16(*s, 0);
            put16(*s, deflated ? 8 : 0);
            put32(*s, 0);
            put32(*s, crc);
            put32(*s, static_cast<std::uint32_t>(body.size()));
            put32(*s, static_cast<std::uint32_t>(data.size()));
            put16(*s, static_cast<std::uint16_t>(name.size()));
            put16(*s, 0);
            if (central) {
                put16(*s, 0);
                put16(*s, 0);
                put16(*s, 0);
                put32(*s, 0);
                put32(*s, offset);
            }
            *s += name;
        }
        zip += body;
    }
    const auto dirOffset = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, static_cast<std::uint16_t>(entries.size()));
    put16(zip, static_cast<std::uint16_t>(entries.size()));
    put32(zip, static_cast<std::uint32_t>(directory.size()));
    put32(zip, dirOffset);
    put16(zip, 0);
    return zip;
}

void writeBytes(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
}

class ImportResults : public testing::Test {
protected:
    void SetUp() override {
        mesh_ = qvr::gen::makePlate({.lx = 4,
                                     .ly = 2,
                                     .thickness = 1,
                                     .nx = 4,
                                     .ny = 2,
                                     .nz = 1,
                                     .type = qvr::gen::CellType::Mixed});
        cells_ = static_cast<long long>(mesh_.parts.size());
        ASSERT_GT(cells_, 10);
        ASSERT_TRUE(nqbio::writeText(dir_.file("part.nqb"), mesh_));
    }
    // Runs the command; the written result file's image, or "" when it failed.
    std::string import(const std::string& tensors, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"import-results", dir_.file("part.nqb"), tensors,
                                         dir_.file("out.k7t")};
        args.insert(args.end(), extra.begin(), extra.end());
        std::remove(dir_.file("out.k7t").c_str());
        last_ = runQvr(args, dir_.path());
        return last_.exitCode == 0 ? readText(dir_.file("out.k7t")) : std::string();
    }
    TempDir dir_;
    nqbio::MeshData mesh_;
    long long cells_ = 0;
    QvrResult last_;
};

}  // namespace

// One set of tensors in every format, keyed and by position, gives one result file; the file
// holds each cell's six values under the right item ids.
TEST_F(ImportResults, EveryFormatGivesTheSameResultFile) {
    std::string csv = "# from another program\ncell,a11,a22,a33,a12,a23,a13\n";
    std::string csvShuffled = "a13,a23,a12,a33,a22,a11,element\n";  // columns found by name
    std::string csvBare;
    std::vector<double> six, seven, ids;
    VtkXmlGrid grid;
    std::vector<double> tensor;
    std::vector<long long> types, keys;
    // The VTU: the cells backwards with an id array, and a skin triangle first that is skipped.
    types.push_back(kVtkTriangle);
    keys.push_back(0);
    for (int k = 0; k < 9; ++k) tensor.push_back(99.0);
    for (long long c = cells_; c >= 1; --c) {
        const auto a = tensorOf(c);
        types.push_back(12);
        keys.push_back(c);
        const double full[9] = {a[0], a[3], a[5], a[3], a[1], a[4], a[5], a[4], a[2]};
        tensor.insert(tensor.end(), full, full + 9);
    }
    for (long long c = 1; c <= cells_; ++c) {
        const auto a = tensorOf(c);
        const std::string row = joined(a);
        csv.append(std::to_string(c)).append(row).append("\n");
        csvBare.append(std::to_string(c)).append(row).append("\n");
        for (std::size_t k = 6; k-- > 0;) csvShuffled.append(significantText(a[k], 17)).append(",");
        csvShuffled.append(std::to_string(c)).append("\n");
        six.insert(six.end(), a.begin(), a.end());
        seven.push_back(static_cast<double>(c));
        seven.insert(seven.end(), a.begin(), a.end());
        ids.push_back(static_cast<double>(cells_ + 1 - c));
    }
    // The npz keyed through an ids array, rows in reverse.
    std::vector<double> reversed;
    for (long long c = cells_; c >= 1; --c) {
        const auto a = tensorOf(c);
        reversed.insert(reversed.end(), a.begin(), a.end());
    }
    const auto n = static_cast<std::size_t>(cells_);
    grid.addReals(VtkXmlGrid::Section::CellData, "orientation", 9, tensor);
    grid.addIntegers(VtkXmlGrid::Section::CellData, VtkXmlGrid::Type::Int64, "cell", keys);
    std::vector<long long> connectivity, offsets;
    for (std::size_t i = 0; i < types.size(); ++i) offsets.push_back(static_cast<long long>(i + 1));
    connectivity.assign(types.size(), 0);
    grid.addReals(VtkXmlGrid::Section::Points, "Points", 3, {0, 0, 0});
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::Int64, "connectivity",
                     connectivity);
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::Int64, "offsets", offsets);
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::UInt8, "types", types);
    grid.write(dir_.file("ascii.vtu"), 1, types.size(), VtkEncoding::Ascii);
    grid.write(dir_.file("packed.vtu"), 1, types.size(), VtkEncoding::CompressedBinary);

    writeBytes(dir_.file("t.csv"), csv);
    writeBytes(dir_.file("shuffled.csv"), csvShuffled);
    writeBytes(dir_.file("bare.csv"), csvBare);
    writeBytes(dir_.file("six.npy"), npyImage(six, n, 6));
    writeBytes(dir_.file("seven.npy"), npyImage(seven, n, 7));
    writeBytes(dir_.file("stored.npz"), zipImage({{"tensors.npy", npyImage(reversed, n, 6)},
                                                  {"ids.npy", npyImage(ids, n, 0, "<i8")}},
                                                 false));
    writeBytes(dir_.file("deflated.npz"), zipImage({{"tensors.npy", npyImage(reversed, n, 6)},
                                                    {"ids.npy", npyImage(ids, n, 0, "<i8")}},
                                                   true));

    const std::string expected = import(dir_.file("t.csv"));
    ASSERT_FALSE(expected.empty()) << last_.err;
    for (const char* name : {"shuffled.csv", "bare.csv", "six.npy", "seven.npy", "stored.npz",
                             "deflated.npz", "ascii.vtu", "packed.vtu"})
        EXPECT_TRUE(import(dir_.file(name)) == expected) << name << ": " << last_.err;

    k7t::ResultFile r;
    ASSERT_TRUE(k7t::read(dir_.file("out.k7t"), r));
    ASSERT_EQ(r.elemCount, cells_);
    // Items a11 a22 a33 a12 a13 a23 against the components a11 a22 a33 a12 a23 a13.
    const std::size_t componentOfItem[6] = {0, 1, 2, 3, 5, 4};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(r.items[i].id, k7t::kFiberItemIds[i]);
        for (long long c = 1; c <= cells_; ++c)
            ASSERT_EQ(r.items[i].values[static_cast<std::size_t>(c - 1)],
                      tensorOf(c)[componentOfItem[i]])
                << i << " " << c;
    }
}

TEST_F(ImportResults, TensorsThatDoNotFitTheMeshAreRefusedInOneLine) {
    const auto rows = [&](long long first, long long last, long long twice = 0) {
        std::string csv = "cell,a11,a22,a33,a12,a23,a13\n";
        for (long long c = first; c <= last; ++c) csv += std::to_string(c) + ",1,0,0,0,0,0\n";
        if (twice) csv += std::to_string(twice) + ",1,0,0,0,0,0\n";
        return csv;
    };
    std::string shortBare;
    for (long long c = 1; c < cells_; ++c) shortBare += "1,0,0,0,0,0\n";
    const std::string n = std::to_string(cells_);
    const std::pair<std::string, std::string> cases[] = {
        {rows(1, cells_ - 1),
         "1 of the mesh's " + n + " cells have no tensor (the first: cell " + n + ")"},
        {rows(1, cells_ + 1),
         "cell " + std::to_string(cells_ + 1) + " is not in the mesh (1.." + n + ")"},
        {rows(0, cells_), "cell 0 is not in the mesh"},
        {rows(1, cells_, 3), "cell 3 is given twice"},
        {"cell,a11,a22,a33,a12,a23\n1,0,0,0,0,0\n", "the header names no column a13"},
        {"cell,a11,a22,a33,a12,a23,a13\n1.5,0,0,0,0,0,0\n",
         "line 2: the key '1.5' is not a whole number"},
        {"cell,a11,a22,a33,a12,a23,a13\n1,0,0,x,0,0,0\n", "line 2: 'x' is not a number"},
    };
    for (const auto& [text, reason] : cases) {
        writeBytes(dir_.file("bad.csv"), text);
        EXPECT_TRUE(import(dir_.file("bad.csv")).empty());
        EXPECT_EQ(last_.exitCode, 1) << reason;
        EXPECT_NE(last_.err.find(reason), std::string::npos) << last_.err;
        EXPECT_EQ(std::count(last_.err.begin(), last_.err.end(), '\n'), 1) << last_.err;
        EXPECT_FALSE(std::ifstream(dir_.file("out.k7t")).good()) << reason;
    }
    // Six columns without a header are cells 1, 2, ... in order: one short.
    writeBytes(dir_.file("bare.npy"),
               npyImage(std::vector<double>(static_cast<std::size_t>(cells_ - 1) * 6, 0.0),
                        static_cast<std::size_t>(cells_ - 1), 6));
    EXPECT_TRUE(import(dir_.file("bare.npy")).empty());
    EXPECT_NE(last_.err.find(std::to_string(cells_ - 1) + " tensors for a mesh of " + n + " cells"),
              std::string::npos)
        << last_.err;
}

// Gmsh element tags through the map `qvr import` writes: the tags, not the cell numbers, key
// the tensors.
TEST_F(ImportResults, GmshTagsArePlacedThroughTheTagMap) {
    std::string map = "cell,gmsh_element_tag\n", csv = "tag,a11,a22,a33,a12,a23,a13\n",
                plain = "cell,a11,a22,a33,a12,a23,a13\n";
    for (long long c = 1; c <= cells_; ++c) {
        const long long tag = 1000 + 7 * (cells_ - c);
        map += std::to_string(c) + "," + std::to_string(tag) + "\n";
        const std::string row = joined(tensorOf(c));
        csv.append(std::to_string(tag)).append(row).append("\n");
        plain.append(std::to_string(c)).append(row).append("\n");
    }
    writeBytes(dir_.file("part.tags.csv"), map);
    writeBytes(dir_.file("tagged.csv"), csv);
    writeBytes(dir_.file("plain.csv"), plain);
    const std::string expected = import(dir_.file("plain.csv"));
    ASSERT_FALSE(expected.empty()) << last_.err;
    EXPECT_TRUE(import(dir_.file("tagged.csv"), {"--keys", "gmsh-tags"}) == expected) << last_.err;
    // A tag the mesh does not have.
    writeBytes(dir_.file("tagged.csv"), csv + "5,1,0,0,0,0,0\n");
    EXPECT_TRUE(import(dir_.file("tagged.csv"), {"--keys", "gmsh-tags"}).empty());
    EXPECT_NE(last_.err.find("Gmsh element tag 5 is no cell of the mesh"), std::string::npos)
        << last_.err;
}

// Damaged numpy files are refused with a reason, never read out of bounds.
TEST(NumpyFiles, DamagedImagesAreRefused) {
    const std::string good = npyImage({1, 2, 3, 4, 5, 6}, 1, 6);
    NpyArray a;
    std::string error;
    ASSERT_TRUE(parseNpy(good, a, error)) << error;
    EXPECT_EQ(a.values, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    for (std::size_t cut : {std::size_t{0}, std::size_t{9}, std::size_t{20}, good.size() - 1})
        EXPECT_FALSE(parseNpy(good.substr(0, cut), a, error)) << cut;
    std::string bigger = good;
    bigger.replace(bigger.find("(1, 6)"), 6, "(9, 6)");
    EXPECT_FALSE(parseNpy(bigger, a, error));
    std::string huge = good;
    huge.replace(huge.find("(1, 6)"), 6, "(99999999999999, 99999999999)");
    EXPECT_FALSE(parseNpy(huge, a, error));

    const std::string zip = zipImage({{"tensors.npy", good}}, true);
    std::map<std::string, NpyArray> arrays;
    ASSERT_TRUE(parseNpz(zip, arrays, error)) << error;
    for (std::size_t cut = 0; cut < zip.size(); cut += 7)
        EXPECT_FALSE(parseNpz(zip.substr(0, cut), arrays, error)) << cut;
    std::string flipped = zip;
    const std::size_t body = 30 + std::strlen("tensors.npy");  // past the local entry header
    flipped[body + 5] = static_cast<char>(flipped[body + 5] ^ 0x55);
    EXPECT_FALSE(parseNpz(flipped, arrays, error));
}

// `qvr import` writes the Gmsh element tag of every cell it keeps (points, lines and faces
// have tags too but are no cells), and import-results places tensors keyed by those tags.
TEST(ImportTagMap, TheMapHoldsTheFileElementTagsOfTheCells) {
    const std::pair<const char*, std::string> files[] = {
        {"sparse_tags_22.msh", "cell,gmsh_element_tag\n1,4\n2,5\n"},
        {"sparse_tags_41.msh", "cell,gmsh_element_tag\n1,3\n2,4\n"}};
    for (const auto& [file, map] : files) {
        TempDir dir;
        const QvrResult r =
            runQvr({"import", std::string(QVR_TEST_DATA_DIR) + "/gmsh/" + file, dir.file("g.nqb")},
                   dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readText(dir.file("g.tags.csv")), map) << file;
        // The hexahedron's tag keys the hexahedron (cell 1), whatever the row order.
        const std::string hexTag = map.substr(map.find("\n1,") + 3, 1);
        const std::string pyramidTag = map.substr(map.find("\n2,") + 3, 1);
        writeBytes(dir.file("t.csv"), "tag,a11,a22,a33,a12,a23,a13\n" + pyramidTag +
                                          ",0.5,0,0,0,0,0\n" + hexTag + ",0.25,0,0,0,0,0\n");
        ASSERT_EQ(runQvr({"import-results", dir.file("g.nqb"), dir.file("t.csv"), dir.file("g.k7t"),
                          "--keys", "gmsh-tags"},
                         dir.path())
                      .exitCode,
                  0);
        k7t::ResultFile result;
        ASSERT_TRUE(k7t::read(dir.file("g.k7t"), result));
        EXPECT_EQ(result.items[0].values, (std::vector<float>{0.25f, 0.5f})) << file;
    }
}

// Damaged VTU files of tensors are refused (or read, when the damage leaves a readable file),
// never read out of bounds: every cut of a compressed file, and a header claiming huge blocks.
TEST(TensorVtu, DamagedFilesAreRefusedSafely) {
    TempDir dir;
    VtkXmlGrid grid;
    std::vector<double> a11, a22, a33, a12, a23, a13;
    for (int c = 0; c < 50; ++c)
        for (auto* v : {&a11, &a22, &a33, &a12, &a23, &a13}) v->push_back(0.01 * c);
    const std::pair<const char*, std::vector<double>*> arrays[] = {
        {"a11", &a11}, {"a22", &a22}, {"a33", &a33}, {"a12", &a12}, {"a23", &a23}, {"a13", &a13}};
    for (const auto& [name, values] : arrays)
        grid.addReals(VtkXmlGrid::Section::CellData, name, 1, *values);
    grid.addReals(VtkXmlGrid::Section::Points, "Points", 3, {0, 0, 0});
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::Int64, "connectivity",
                     std::vector<long long>(50, 0));
    std::vector<long long> offsets;
    for (long long i = 1; i <= 50; ++i) offsets.push_back(i);
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::Int64, "offsets", offsets);
    grid.addIntegers(VtkXmlGrid::Section::Cells, VtkXmlGrid::Type::UInt8, "types",
                     std::vector<long long>(50, 10));
    grid.write(dir.file("t.vtu"), 1, 50, VtkEncoding::CompressedBinary);
    const std::string image = readText(dir.file("t.vtu"));
    CellTensors t;
    std::string error;
    ASSERT_TRUE(parseTensorVtu(image, t, error)) << error;
    ASSERT_EQ(t.values.size(), 50u);
    EXPECT_EQ(t.values[49][5], 0.49);
    for (std::size_t cut = 0; cut + 1 < image.size(); cut += 3) {
        CellTensors partial;
        EXPECT_FALSE(parseTensorVtu(image.substr(0, cut), partial, error)) << cut;
    }
    // The first array's header claims 2^40 blocks of 2^40 bytes.
    std::string huge = image;
    const std::size_t data = huge.find("   _") + 4;
    const std::uint64_t claim = 1ull << 40;
    std::memcpy(&huge[data], &claim, sizeof claim);
    std::memcpy(&huge[data + 8], &claim, sizeof claim);
    EXPECT_FALSE(parseTensorVtu(huge, t, error));
}
