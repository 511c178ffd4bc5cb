// MSH 2.x: "$Nodes" holds tag x y z per node; "$Elements" holds tag, type, tags, node tags.
// The binary form keeps the counts as text and writes the entries as 4-byte ints and 8-byte
// reals, elements in blocks of one type.
#include <string>
#include <vector>

#include "gmsh_element_types.h"
#include "gmsh_raw_mesh.h"

namespace qvr::cli {

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
            c.integer("an element tag");
            const long long type = c.integer("an element type");
            const long long nTags = c.integer("an element's tag count");
            if (nTags < 0 || nTags > 1000) c.fail("implausible element tag count");
            for (long long t = 0; t < nTags; ++t) c.integer("an element tag");
            const GmshElementType* known = findGmshElementType(static_cast<int>(type));
            if (!known) c.fail("unknown element type " + std::to_string(type));
            nodes.resize(static_cast<std::size_t>(known->nodes));
            for (long long& tag : nodes) tag = c.integer("an element node");
            acceptGmshElement(mesh, known->type, -1, nodes.data(), c);
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
                c.binary<std::int32_t>("an element");
                c.skipBytes(4ull * static_cast<unsigned>(nTags), "an element");
                for (long long& tag : nodes) tag = c.binary<std::int32_t>("an element");
                acceptGmshElement(mesh, type, -1, nodes.data(), c);
            }
            done += count;
        }
    }
    expectLine(c, "$EndElements");
}

}  // namespace qvr::cli
