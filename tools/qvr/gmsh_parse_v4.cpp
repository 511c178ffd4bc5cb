// MSH 4.1: nodes and elements come in entity blocks. Each node block lists its node tags, then
// their coordinates; each element block names the entity dimension and one element type. The
// binary form writes counts and tags as size_t (the data-size of $MeshFormat), entity numbers
// as 4-byte ints and coordinates as 8-byte reals.
#include <string>
#include <vector>

#include "gmsh_element_types.h"
#include "gmsh_raw_mesh.h"

namespace qvr::cli {

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
            if (layout.binary || dim == 3)
                c.fail("unknown element type " + std::to_string(type));
            c.skipRestOfLine();
            for (long long e = 0; e < n; ++e) c.skipRestOfLine();
            mesh.ignoredElements += n;
            seen += n;
            continue;
        }
        nodes.resize(static_cast<std::size_t>(known->nodes));
        for (long long e = 0; e < n; ++e) {
            tag(c, layout, "an element tag");
            for (long long& t : nodes) t = tag(c, layout, "an element node");
            acceptGmshElement(mesh, type, dim, nodes.data(), c);
        }
        seen += n;
    }
    if (seen != total) c.fail("the element blocks do not hold the stated element count");
    expectLine(c, "$EndElements");
}

}  // namespace qvr::cli
