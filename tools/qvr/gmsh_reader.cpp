#include "gmsh_reader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

namespace qvr::cli {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
}  // namespace

std::string_view MshCursor::line() {
    if (atEnd()) fail("unexpected end of file");
    const std::size_t start = pos_;
    std::size_t stop = data_.find('\n', pos_);
    if (stop == std::string_view::npos) stop = data_.size();
    pos_ = stop < data_.size() ? stop + 1 : stop;
    std::size_t end = stop;
    if (end > start && data_[end - 1] == '\r') --end;
    return data_.substr(start, end - start);
}

std::string_view MshCursor::nonBlankLine() {
    for (;;) {
        std::string_view text = line();
        while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
        if (!text.empty()) return text;
    }
}

void MshCursor::skipSpace() {
    while (pos_ < data_.size() && (isBlank(data_[pos_]) || data_[pos_] == '\n')) ++pos_;
}

long long MshCursor::integer(const char* what) {
    skipSpace();
    long long value = 0;
    const char* first = data_.data() + pos_;
    const char* last = data_.data() + data_.size();
    if (first < last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || (ptr < last && !isBlank(*ptr) && *ptr != '\n'))
        fail(std::string("expected an integer for ") + what);
    pos_ = static_cast<std::size_t>(ptr - data_.data());
    return value;
}

double MshCursor::real(const char* what) {
    skipSpace();
    double value = 0.0;
    const char* first = data_.data() + pos_;
    const char* last = data_.data() + data_.size();
    if (first < last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || (ptr < last && !isBlank(*ptr) && *ptr != '\n'))
        fail(std::string("expected a number for ") + what);
    pos_ = static_cast<std::size_t>(ptr - data_.data());
    return value;
}

void MshCursor::skipRestOfLine() {
    const std::size_t stop = data_.find('\n', pos_);
    pos_ = stop == std::string_view::npos ? data_.size() : stop + 1;
}

bool MshCursor::skipToContent() {
    skipSpace();
    return !atEnd();
}

std::uint64_t MshCursor::binarySize(int bytes, const char* what) {
    if (bytes == 4) return binary<std::uint32_t>(what);
    return binary<std::uint64_t>(what);
}

void MshCursor::skipBytes(std::uint64_t count, const char* what) {
    if (data_.size() - pos_ < count) fail(std::string("file ends inside ") + what);
    pos_ += static_cast<std::size_t>(count);
}

bool MshCursor::skipPast(std::string_view text) {
    const std::size_t at = data_.find(text, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + text.size();
    return true;
}

std::string MshCursor::where() const {
    const std::size_t upTo = std::min(pos_, data_.size());
    const auto lines = std::count(data_.begin(), data_.begin() + static_cast<long>(upTo), '\n');
    return "line " + std::to_string(lines + 1) + " (byte " + std::to_string(upTo) + ")";
}

void MshCursor::fail(const std::string& what) const { throw MshFormatError(where() + ": " + what); }

namespace {

// The fixed-size types of the Gmsh reference manual (variable-size polygons and polyhedra have
// no fixed node count and cannot be read from a binary block).
constexpr GmshElementType kTypes[] = {
    {1, 1, 2, "2-node line"},
    {2, 2, 3, "3-node triangle"},
    {3, 2, 4, "4-node quadrangle"},
    {4, 3, 4, "4-node tetrahedron"},
    {5, 3, 8, "8-node hexahedron"},
    {6, 3, 6, "6-node prism"},
    {7, 3, 5, "5-node pyramid"},
    {8, 1, 3, "3-node line"},
    {9, 2, 6, "6-node triangle"},
    {10, 2, 9, "9-node quadrangle"},
    {11, 3, 10, "10-node tetrahedron"},
    {12, 3, 27, "27-node hexahedron"},
    {13, 3, 18, "18-node prism"},
    {14, 3, 14, "14-node pyramid"},
    {15, 0, 1, "point"},
    {16, 2, 8, "8-node quadrangle"},
    {17, 3, 20, "20-node hexahedron"},
    {18, 3, 15, "15-node prism"},
    {19, 3, 13, "13-node pyramid"},
    {20, 2, 9, "9-node triangle"},
    {21, 2, 10, "10-node triangle"},
    {22, 2, 12, "12-node triangle"},
    {23, 2, 15, "15-node triangle"},
    {24, 2, 15, "15-node triangle"},
    {25, 2, 21, "21-node triangle"},
    {26, 1, 4, "4-node line"},
    {27, 1, 5, "5-node line"},
    {28, 1, 6, "6-node line"},
    {29, 3, 20, "20-node tetrahedron"},
    {30, 3, 35, "35-node tetrahedron"},
    {31, 3, 56, "56-node tetrahedron"},
    {36, 2, 16, "16-node quadrangle"},
    {37, 2, 25, "25-node quadrangle"},
    {38, 2, 36, "36-node quadrangle"},
    {92, 3, 64, "64-node hexahedron"},
    {93, 3, 125, "125-node hexahedron"},
};

}  // namespace

const GmshElementType* findGmshElementType(int type) {
    for (const GmshElementType& t : kTypes)
        if (t.type == type) return &t;
    return nullptr;
}

void acceptGmshElement(GmshRawMesh& mesh, int type, int dim, const long long* nodeTags,
                       const MshCursor& at, long long elementTag) {
    if (type == kGmshTet4 || type == kGmshPyramid5 || type == kGmshPrism6 || type == kGmshHex8) {
        GmshRawCell cell;
        cell.type = type;
        cell.elementTag = elementTag;
        const int n = findGmshElementType(type)->nodes;
        for (int k = 0; k < n; ++k) cell.tags[static_cast<std::size_t>(k)] = nodeTags[k];
        mesh.cells.push_back(cell);
        return;
    }
    const GmshElementType* known = findGmshElementType(type);
    const int elementDim = dim >= 0 ? dim : (known ? known->dim : -1);
    if (elementDim >= 0 && elementDim < 3) {
        ++mesh.ignoredElements;
        return;
    }
    const std::string name = known ? std::string(" (") + known->name + ")" : std::string();
    at.fail("element type " + std::to_string(type) + name +
            " is not supported: only linear tetrahedra, pyramids, prisms and hexahedra can be"
            " imported (mesh with element order 1)");
}

void expectLine(MshCursor& c, const char* text) {
    const std::string_view got = c.nonBlankLine();
    if (got != text) c.fail(std::string("expected ") + text);
}

// MSH 2.x: "$Nodes" holds tag x y z per node; "$Elements" holds tag, type, tags, node tags.
// The binary form keeps the counts as text and writes the entries as 4-byte ints and 8-byte
// reals, elements in blocks of one type.

namespace {

long long readCount(MshCursor& c, const char* what, std::size_t minBytesPerEntry) {
    const long long n = c.integer(what);
    if (n < 0) c.fail(std::string("negative ") + what);
    // A count the rest of the file cannot hold is damage, not a reason to allocate.
    if (static_cast<unsigned long long>(n) > c.remaining() / minBytesPerEntry + 1)
        c.fail(std::string(what) + " " + std::to_string(n) + " is more than the file holds");
    c.skipRestOfLine();
    return n;
}

}  // namespace

void parseNodesV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh) {
    const long long n = readCount(c, "node count", layout.binary ? 28 : 8);
    mesh.nodeTags.reserve(static_cast<std::size_t>(n));
    mesh.xyz.reserve(3 * static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) {
        if (layout.binary) {
            mesh.nodeTags.push_back(c.binary<std::int32_t>("a node"));
            for (int k = 0; k < 3; ++k) mesh.xyz.push_back(c.binary<double>("a node"));
        } else {
            mesh.nodeTags.push_back(c.integer("a node tag"));
            for (int k = 0; k < 3; ++k) mesh.xyz.push_back(c.real("a node coordinate"));
        }
    }
    expectLine(c, "$EndNodes");
}

void parseElementsV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh) {
    const long long n = readCount(c, "element count", layout.binary ? 12 : 8);
    std::vector<long long> nodes;
    if (!layout.binary) {
        for (long long i = 0; i < n; ++i) {
            const long long elementTag = c.integer("an element tag");
            const long long type = c.integer("an element type");
            const long long nTags = c.integer("an element's tag count");
            if (nTags < 0 || nTags > 1000) c.fail("implausible element tag count");
            for (long long t = 0; t < nTags; ++t) c.integer("an element tag");
            const GmshElementType* known = findGmshElementType(static_cast<int>(type));
            if (!known) c.fail("unknown element type " + std::to_string(type));
            nodes.resize(static_cast<std::size_t>(known->nodes));
            for (long long& tag : nodes) tag = c.integer("an element node");
            acceptGmshElement(mesh, known->type, -1, nodes.data(), c, elementTag);
        }
    } else {
        long long done = 0;
        while (done < n) {
            const int type = c.binary<std::int32_t>("an element block header");
            const int count = c.binary<std::int32_t>("an element block header");
            const int nTags = c.binary<std::int32_t>("an element block header");
            const GmshElementType* known = findGmshElementType(type);
            if (!known) c.fail("unknown element type " + std::to_string(type));
            if (count < 1 || count > n - done || nTags < 0 || nTags > 1000)
                c.fail("damaged element block header");
            nodes.resize(static_cast<std::size_t>(known->nodes));
            for (int e = 0; e < count; ++e) {
                const long long elementTag = c.binary<std::int32_t>("an element");
                c.skipBytes(4ull * static_cast<unsigned>(nTags), "an element");
                for (long long& tag : nodes) tag = c.binary<std::int32_t>("an element");
                acceptGmshElement(mesh, type, -1, nodes.data(), c, elementTag);
            }
            done += count;
        }
    }
    expectLine(c, "$EndElements");
}

// MSH 4.1: nodes and elements come in entity blocks. Each node block lists its node tags, then
// their coordinates; each element block names the entity dimension and one element type. The
// binary form writes counts and tags as size_t (the data-size of $MeshFormat), entity numbers
// as 4-byte ints and coordinates as 8-byte reals.

namespace {

long long count(MshCursor& c, const MshLayout& layout, const char* what) {
    if (layout.binary) {
        const std::uint64_t v = c.binarySize(layout.sizeBytes, what);
        if (v > c.remaining()) c.fail(std::string("damaged ") + what);
        return static_cast<long long>(v);
    }
    const long long v = c.integer(what);
    if (v < 0 || static_cast<unsigned long long>(v) > c.remaining())
        c.fail(std::string("damaged ") + what);
    return v;
}

long long tag(MshCursor& c, const MshLayout& layout, const char* what) {
    if (layout.binary) return static_cast<long long>(c.binarySize(layout.sizeBytes, what));
    return c.integer(what);
}

double real(MshCursor& c, const MshLayout& layout, const char* what) {
    return layout.binary ? c.binary<double>(what) : c.real(what);
}

int entityInt(MshCursor& c, const MshLayout& layout, const char* what) {
    if (layout.binary) return c.binary<std::int32_t>(what);
    const long long v = c.integer(what);
    if (v < -2147483647LL || v > 2147483647LL) c.fail(std::string("damaged ") + what);
    return static_cast<int>(v);
}

}  // namespace

void parseNodesV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh) {
    const long long blocks = count(c, layout, "node block count");
    const long long total = count(c, layout, "node count");
    tag(c, layout, "minimum node tag");
    tag(c, layout, "maximum node tag");
    mesh.nodeTags.reserve(static_cast<std::size_t>(total));
    mesh.xyz.reserve(3 * static_cast<std::size_t>(total));
    long long seen = 0;
    for (long long b = 0; b < blocks; ++b) {
        const int dim = entityInt(c, layout, "a node block's entity dimension");
        entityInt(c, layout, "a node block's entity tag");
        const int parametric = entityInt(c, layout, "a node block's parametric flag");
        const long long n = count(c, layout, "a node block's node count");
        if (dim < 0 || dim > 3 || parametric < 0 || parametric > 1 || n > total - seen)
            c.fail("damaged node block header");
        for (long long i = 0; i < n; ++i) mesh.nodeTags.push_back(tag(c, layout, "a node tag"));
        const int extra = parametric ? dim : 0;  // parametric coordinates follow x y z
        for (long long i = 0; i < n; ++i) {
            for (int k = 0; k < 3; ++k) mesh.xyz.push_back(real(c, layout, "a node coordinate"));
            for (int k = 0; k < extra; ++k) real(c, layout, "a parametric coordinate");
        }
        seen += n;
    }
    if (seen != total) c.fail("the node blocks do not hold the stated node count");
    expectLine(c, "$EndNodes");
}

void parseElementsV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh) {
    const long long blocks = count(c, layout, "element block count");
    const long long total = count(c, layout, "element count");
    tag(c, layout, "minimum element tag");
    tag(c, layout, "maximum element tag");
    long long seen = 0;
    std::vector<long long> nodes;
    for (long long b = 0; b < blocks; ++b) {
        const int dim = entityInt(c, layout, "an element block's entity dimension");
        entityInt(c, layout, "an element block's entity tag");
        const int type = entityInt(c, layout, "an element block's element type");
        const long long n = count(c, layout, "an element block's element count");
        if (dim < 0 || dim > 3 || n > total - seen) c.fail("damaged element block header");
        const GmshElementType* known = findGmshElementType(type);
        if (!known) {
            // A text block of an unknown lower-dimensional type can be stepped over line by
            // line; anything else cannot be read safely.
            if (layout.binary || dim == 3) c.fail("unknown element type " + std::to_string(type));
            c.skipRestOfLine();
            for (long long e = 0; e < n; ++e) c.skipRestOfLine();
            mesh.ignoredElements += n;
            seen += n;
            continue;
        }
        nodes.resize(static_cast<std::size_t>(known->nodes));
        for (long long e = 0; e < n; ++e) {
            const long long elementTag = tag(c, layout, "an element tag");
            for (long long& t : nodes) t = tag(c, layout, "an element node");
            acceptGmshElement(mesh, type, dim, nodes.data(), c, elementTag);
        }
        seen += n;
    }
    if (seen != total) c.fail("the element blocks do not hold the stated element count");
    expectLine(c, "$EndElements");
}

}  // namespace qvr::cli
