// Text encoding reader: line oriented, keywords in a fixed order, one entry per line.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "mesh_parsers.h"
#include "nqb_layout.h"
#include "number_tokens.h"

namespace nqbio {

namespace {

// Longest entry line in tokens: a part element with 8 nodes has 12. Lines with more tokens are
// counted but only this many are kept.
constexpr int kMaxKeptTokens = 16;

// Shortest possible entry lines including the line end; they bound what a block can hold in
// the bytes that remain, so a count that the file cannot hold never sizes an allocation.
constexpr std::size_t kMinNodeLineBytes = 6;      // "0 0 0\n"
constexpr std::size_t kMinPartLineBytes = 10;     // "1 1 0 0 0\n"
constexpr std::size_t kMinSurfaceLineBytes = 18;  // "1 1 1 1 0 0 0 0 0\n"

constexpr std::string_view kKeywords[] = {
    layout::kTextMagic,   layout::kUnitKeyword,    layout::kCountsKeyword, layout::kNodesKeyword,
    layout::kPartKeyword, layout::kSurfaceKeyword, layout::kEndKeyword};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isKeyword(std::string_view token) {
    // Entry lines start with a digit, sign or point: only capitals can begin a keyword.
    if (token.empty() || token.front() < 'A' || token.front() > 'Z') return false;
    return std::find(std::begin(kKeywords), std::end(kKeywords), token) != std::end(kKeywords);
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// One line split into blank-separated tokens, the comment removed.
struct Tokens {
    std::string_view content;  // the line without comment and line end
    std::string_view token[kMaxKeptTokens];
    int count = 0;

    std::string_view first() const { return count > 0 ? token[0] : std::string_view(); }
};

// Character classes of the line scanner: a table lookup per byte keeps the scan in one pass.
enum CharClass : unsigned char { kTokenChar, kBlankChar, kLineEndChar, kCommentChar, kCrChar };

constexpr std::array<CharClass, 256> makeCharClasses() {
    std::array<CharClass, 256> classes{};
    for (auto& c : classes) c = kTokenChar;
    classes[static_cast<unsigned char>(' ')] = kBlankChar;
    classes[static_cast<unsigned char>('\t')] = kBlankChar;
    classes[static_cast<unsigned char>('\n')] = kLineEndChar;
    classes[static_cast<unsigned char>('#')] = kCommentChar;
    classes[static_cast<unsigned char>('\r')] = kCrChar;
    return classes;
}
constexpr std::array<CharClass, 256> kCharClasses = makeCharClasses();

class LineReader {
public:
    LineReader(const char* begin, const char* end) : p_(begin), end_(end) {}

    // Splits the next line into tokens. Lines end at LF; a CR right before the LF (or before
    // the end of the data) belongs to the line end, any other CR to a token. False at the end
    // of the data.
    bool nextLine(Tokens& tokens) {
        if (p_ == end_) return false;
        ++line_;
        tokens.count = 0;
        const char* const lineStart = p_;
        const char* p = p_;
        const char* contentEnd = nullptr;
        for (;;) {
            while (p != end_ && classOf(*p) == kBlankChar) ++p;
            if (p == end_) {
                contentEnd = p;
                break;
            }
            const CharClass c = classOf(*p);
            if (c == kLineEndChar || (c == kCrChar && crEndsLine(p))) {
                contentEnd = p;
                p = (c == kLineEndChar) ? p + 1 : p + 1 + (p + 1 != end_ ? 1 : 0);
                break;
            }
            if (c == kCommentChar) {
                contentEnd = p;
                const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end_ - p));
                p = nl ? static_cast<const char*>(nl) + 1 : end_;
                break;
            }
            const char* const start = p;
            for (;;) {
                while (p != end_ && classOf(*p) == kTokenChar) ++p;
                if (p != end_ && classOf(*p) == kCrChar && !crEndsLine(p)) {
                    ++p;
                    continue;
                }
                break;
            }
            if (tokens.count < kMaxKeptTokens) {
                tokens.token[tokens.count] =
                    std::string_view(start, static_cast<std::size_t>(p - start));
            }
            ++tokens.count;
        }
        tokens.content =
            std::string_view(lineStart, static_cast<std::size_t>(contentEnd - lineStart));
        p_ = p;
        return true;
    }

    // The next line that holds a token. False at the end of the data.
    bool nextSignificant(Tokens& tokens) {
        while (nextLine(tokens)) {
            if (tokens.count > 0) return true;
        }
        return false;
    }

    std::uint64_t line() const { return line_; }
    // Where a fault at the end of the data is reported: the line after the last one.
    std::uint64_t lineAfterEnd() const { return line_ + 1; }
    std::size_t remainingBytes() const { return static_cast<std::size_t>(end_ - p_); }

private:
    static CharClass classOf(char c) { return kCharClasses[static_cast<unsigned char>(c)]; }
    bool crEndsLine(const char* cr) const { return cr + 1 == end_ || cr[1] == '\n'; }

    const char* p_;
    const char* end_;
    std::uint64_t line_ = 0;
};

class TextMeshSource final : public MeshSource {
public:
    MeshData mesh;

    int nodeCount() const override { return mesh.nodeCount(); }
    int partCount() const override { return static_cast<int>(mesh.parts.size()); }
    int surfaceCount() const override { return static_cast<int>(mesh.surfaces.size()); }
    const std::string& unit() const override { return mesh.unit; }
    void node(std::size_t k, float& x, float& y, float& z) const override {
        const float* p = mesh.xyz.data() + 3 * k;
        x = p[0];
        y = p[1];
        z = p[2];
    }
    void part(std::size_t k, PartElement& e) const override { e = mesh.parts[k]; }
    void surface(std::size_t k, SurfaceElement& s) const override { s = mesh.surfaces[k]; }
};

class TextParser {
public:
    TextParser(const unsigned char* data, std::size_t size, MeshData& mesh, ParseFault& fault)
        : in_(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size),
          mesh_(mesh), fault_(fault) {}

    bool run() {
        return firstLine() && unitLine() && countsLine() && keywordLine(layout::kNodesKeyword) &&
               nodeBlock() && keywordLine(layout::kPartKeyword, "node", nodeCount_) &&
               partBlock() && keywordLine(layout::kSurfaceKeyword, "part element", partCount_) &&
               surfaceBlock() &&
               keywordLine(layout::kEndKeyword, "surface element", surfaceCount_) &&
               nothingAfterEnd();
    }

private:
    bool fail(std::uint64_t line, std::string what) {
        fault_.place = line;
        fault_.what = std::move(what);
        return false;
    }
    bool failHere(std::string what) { return fail(in_.line(), std::move(what)); }

    bool firstLine() {
        if (!in_.nextLine(tok_)) return fail(1, "empty file: not a mesh file");
        if (tok_.count < 1 || tok_.token[0] != layout::kTextMagic) {
            return failHere("not a mesh file: the first line must be 'NQBTEXT 1'");
        }
        std::int32_t version = 0;
        if (tok_.count != 2 || !parseInt32(tok_.token[1], version)) {
            return failHere("the first line must be 'NQBTEXT 1'");
        }
        if (version != static_cast<std::int32_t>(layout::kLayoutVersion)) {
            return failHere("layout version " + std::to_string(version) +
                            " is not supported (1 expected)");
        }
        return true;
    }

    // Reads the next significant line and checks that it starts with `keyword`.
    bool keywordFirst(std::string_view keyword, const char* previousBlock,
                      std::int32_t previousCount) {
        if (!in_.nextSignificant(tok_)) {
            return fail(in_.lineAfterEnd(),
                        "the file ends where " + std::string(keyword) + " is expected");
        }
        if (tok_.first() == keyword) return true;
        if (previousBlock != nullptr && !isKeyword(tok_.first())) {
            return failHere("more " + std::string(previousBlock) + " lines than COUNTS gives (" +
                            std::to_string(previousCount) + "); " + std::string(keyword) +
                            " expected");
        }
        return failHere(std::string(keyword) + " expected, found " + quoteToken(tok_.first()));
    }

    bool keywordLine(std::string_view keyword, const char* previousBlock = nullptr,
                     std::int32_t previousCount = 0) {
        if (!keywordFirst(keyword, previousBlock, previousCount)) return false;
        if (tok_.count != 1) {
            return failHere(std::string(keyword) + " must stand alone on its line");
        }
        return true;
    }

    bool unitLine() {
        if (!keywordFirst(layout::kUnitKeyword, nullptr, 0)) return false;
        // The unit is the rest of the line after the keyword, comment removed, trimmed.
        const std::size_t at =
            static_cast<std::size_t>(tok_.token[0].data() - tok_.content.data()) +
            layout::kUnitKeyword.size();
        const std::string_view unit = trimBlanks(tok_.content.substr(at));
        if (unit.size() > layout::kMaxUnitLength) {
            return failHere("unit text is " + std::to_string(unit.size()) +
                            " characters long; at most " + std::to_string(layout::kMaxUnitLength) +
                            " are allowed");
        }
        if (unit.find('\0') != std::string_view::npos) {
            return failHere("unit text contains a NUL byte");
        }
        mesh_.unit.assign(unit);
        return true;
    }

    bool countsLine() {
        if (!keywordFirst(layout::kCountsKeyword, nullptr, 0)) return false;
        if (tok_.count != 4) {
            return failHere("COUNTS needs three values (nodes, part elements, surface elements)");
        }
        static const char* const kNames[3] = {"node", "part element", "surface element"};
        std::int32_t* const targets[3] = {&nodeCount_, &partCount_, &surfaceCount_};
        for (int i = 0; i < 3; ++i) {
            if (!parseInt32(tok_.token[i + 1], *targets[i])) {
                return failHere(std::string("COUNTS: ") + kNames[i] + " count " +
                                quoteToken(tok_.token[i + 1]) + " is not a 32-bit integer");
            }
            if (*targets[i] < 0) {
                return failHere(std::string("COUNTS: ") + kNames[i] + " count " +
                                std::to_string(*targets[i]) + " is negative");
            }
        }
        return true;
    }

    // Reserves room for `count` entries, but never more than the remaining bytes can hold.
    std::size_t plausible(std::int32_t count, std::size_t minLineBytes) const {
        return std::min(static_cast<std::size_t>(count), in_.remainingBytes() / minLineBytes + 1);
    }

    // Reads the line of entry k of a block; fails when the block or the file ends early.
    bool entryLine(const char* block, const char* entryName, std::int32_t k, std::int32_t count) {
        const auto counted = [&] {
            return " after " + std::to_string(k - 1) + " of " + std::to_string(count) + " " +
                   entryName + "s (COUNTS)";
        };
        if (!in_.nextSignificant(tok_)) {
            return fail(in_.lineAfterEnd(), "the file ends" + counted());
        }
        if (isKeyword(tok_.first())) {
            return failHere(std::string(block) + " block ends" + counted());
        }
        return true;
    }

    bool realValue(std::string_view token, float& value, const std::string& where) {
        switch (parseFloat(token, value)) {
            case RealStatus::Ok: return true;
            case RealStatus::NotANumber:
                return failHere(where + quoteToken(token) + " is not a number");
            case RealStatus::NotFinite:
                return failHere(where + quoteToken(token) + " is not finite");
            case RealStatus::FloatOverflow:
                return failHere(where + quoteToken(token) + " overflows a 32-bit float");
        }
        return false;
    }

    bool nodeNumber(std::string_view token, int& value, const std::string& where) {
        std::int32_t n = 0;
        if (!parseInt32(token, n)) {
            return failHere(where + "node number " + quoteToken(token) + " is not an integer");
        }
        if (n < 1 || n > nodeCount_) {
            return failHere(where + "node number " + std::to_string(n) + " is outside 1.." +
                            std::to_string(nodeCount_));
        }
        value = n;
        return true;
    }

    bool intValue(std::string_view token, int& value, const std::string& where, const char* name) {
        std::int32_t v = 0;
        if (!parseInt32(token, v)) {
            return failHere(where + name + " " + quoteToken(token) + " is not a 32-bit integer");
        }
        value = v;
        return true;
    }

    bool valueCount(int expected, const std::string& where) {
        if (tok_.count == expected) return true;
        return failHere(where + std::to_string(expected) + " values expected, found " +
                        std::to_string(tok_.count));
    }

    static std::string entryLabel(const char* name, std::int32_t k) {
        return std::string(name) + " " + std::to_string(k) + ": ";
    }

    bool nodeBlock() {
        mesh_.xyz.clear();
        mesh_.xyz.reserve(3 * plausible(nodeCount_, kMinNodeLineBytes));
        for (std::int32_t k = 1; k <= nodeCount_; ++k) {
            if (!entryLine("NODES", "node", k, nodeCount_)) return false;
            if (tok_.count != 3) return valueCount(3, entryLabel("node", k));
            float c[3];
            for (int i = 0; i < 3; ++i) {
                if (parseFloat(tok_.token[i], c[i]) != RealStatus::Ok) {
                    return realValue(tok_.token[i], c[i], entryLabel("node", k));
                }
            }
            mesh_.xyz.insert(mesh_.xyz.end(), c, c + 3);
        }
        return true;
    }

    bool partBlock() {
        mesh_.parts.clear();
        mesh_.parts.reserve(plausible(partCount_, kMinPartLineBytes));
        for (std::int32_t k = 1; k <= partCount_; ++k) {
            if (!entryLine("PART_ELEMENTS", "part element", k, partCount_)) return false;
            PartElement& e = mesh_.parts.emplace_back();
            if (!partEntry(k, e)) return false;
        }
        return true;
    }

    bool partEntry(std::int32_t k, PartElement& e) {
        // Fast path first; the labelled checks below only run to name a fault.
        std::int32_t n = 0;
        if (!parseInt32(tok_.token[0], n)) {
            return failHere(entryLabel("part element", k) + "node count " +
                            quoteToken(tok_.token[0]) + " is not an integer");
        }
        if (n < 1 || n > layout::kMaxPartNodes) {
            return failHere(entryLabel("part element", k) + "node count " + std::to_string(n) +
                            " is outside 1.." + std::to_string(layout::kMaxPartNodes));
        }
        if (tok_.count != n + 4) return valueCount(n + 4, entryLabel("part element", k));
        e.nNode = n;
        for (int j = 0; j < n; ++j) {
            std::int32_t v = 0;
            if (!parseInt32(tok_.token[1 + j], v) || v < 1 || v > nodeCount_) {
                return nodeNumber(tok_.token[1 + j], e.node[j], entryLabel("part element", k));
            }
            e.node[j] = v;
        }
        const std::string_view word = tok_.token[n + 1];
        if (!parseUnsigned32(word, e.attrWord)) {
            return failHere(entryLabel("part element", k) + "attrWord " + quoteToken(word) +
                            " is not an unsigned 32-bit integer");
        }
        if (!parseInt32(tok_.token[n + 2], e.attrCode)) {
            int unused = 0;
            return intValue(tok_.token[n + 2], unused, entryLabel("part element", k), "attrCode");
        }
        if (parseFloat(tok_.token[n + 3], e.volume) != RealStatus::Ok) {
            return realValue(tok_.token[n + 3], e.volume,
                             entryLabel("part element", k) + "volume ");
        }
        return true;
    }

    bool surfaceBlock() {
        mesh_.surfaces.clear();
        mesh_.surfaces.reserve(plausible(surfaceCount_, kMinSurfaceLineBytes));
        constexpr int kValues = layout::kSurfaceCorners + 5;
        for (std::int32_t k = 1; k <= surfaceCount_; ++k) {
            if (!entryLine("SURFACE_ELEMENTS", "surface element", k, surfaceCount_)) return false;
            if (tok_.count != kValues) return valueCount(kValues, entryLabel("surface element", k));
            SurfaceElement& s = mesh_.surfaces.emplace_back();
            for (int j = 0; j < layout::kSurfaceCorners; ++j) {
                std::int32_t v = 0;
                if (!parseInt32(tok_.token[j], v) || v < 1 || v > nodeCount_) {
                    return nodeNumber(tok_.token[j], s.node[j], entryLabel("surface element", k));
                }
                s.node[j] = v;
            }
            static const char* const kNames[5] = {"kind", "aux1", "aux2", "code", "aux3"};
            int* const targets[5] = {&s.kind, &s.aux1, &s.aux2, &s.code, &s.aux3};
            for (int i = 0; i < 5; ++i) {
                if (!parseInt32(tok_.token[4 + i], *targets[i])) {
                    return intValue(tok_.token[4 + i], *targets[i],
                                    entryLabel("surface element", k), kNames[i]);
                }
            }
        }
        return true;
    }

    bool nothingAfterEnd() {
        if (in_.nextSignificant(tok_)) {
            return failHere("text after END: " + quoteToken(tok_.first()));
        }
        return true;
    }

    LineReader in_;
    MeshData& mesh_;
    ParseFault& fault_;
    Tokens tok_;
    std::int32_t nodeCount_ = 0;
    std::int32_t partCount_ = 0;
    std::int32_t surfaceCount_ = 0;
};

}  // namespace

std::string quoteToken(std::string_view token) {
    constexpr std::size_t kMaxShown = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < token.size() && i < kMaxShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(token[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (token.size() > kMaxShown) out += "...";
    out += "'";
    return out;
}

std::unique_ptr<MeshSource> parseTextMesh(const FileBytes& file, ParseFault& fault) {
    auto source = std::make_unique<TextMeshSource>();
    if (!TextParser(file.data.get(), file.size, source->mesh, fault).run()) return nullptr;
    return source;
}

}  // namespace nqbio
