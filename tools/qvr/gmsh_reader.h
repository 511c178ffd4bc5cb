// Reading Gmsh mesh files (MSH 2.2 and 4.1, text and binary) into raw node and cell lists:
// the read position with its checked tokens, the element type table and the section parsers of
// both file versions. The importer (gmsh_import.h) turns the raw lists into a mesh.
#ifndef QVR_CLI_GMSH_READER_H
#define QVR_CLI_GMSH_READER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qvr::cli {

// ----------------------------------------------------------------------------------------------
// A read position in a whole Gmsh mesh file held in memory: ASCII tokens, lines and
// little-endian binary values, each checked against the end of the data.
//
// Every read that fails throws MshFormatError with the file position in the form
// "line N" (text) or "byte N" (binary data); the importer turns it into one message.

class MshFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MshCursor {
public:
    explicit MshCursor(std::string_view data) : data_(data) {}

    bool atEnd() const { return pos_ >= data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    std::size_t offset() const { return pos_; }

    // The next line without its line end (CR LF or LF); skips nothing before it.
    std::string_view line();
    // Skips blank lines, then returns the next line with blanks at both ends removed.
    std::string_view nonBlankLine();
    // Skips blanks and line ends, then reads one decimal integer / real.
    long long integer(const char* what);
    double real(const char* what);
    // Skips to just past the end of the current line.
    void skipRestOfLine();
    // Skips blanks and line ends; false when nothing but them remained.
    bool skipToContent();

    // Little-endian binary values at the current position.
    template <class T>
    T binary(const char* what) {
        if (data_.size() - pos_ < sizeof(T)) fail(std::string("file ends inside ") + what);
        T value;
        std::memcpy(&value, data_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    // An unsigned size field of `bytes` (4 or 8) bytes.
    std::uint64_t binarySize(int bytes, const char* what);
    void skipBytes(std::uint64_t count, const char* what);

    // Moves past the next occurrence of `text`; false (position unchanged) when there is none.
    bool skipPast(std::string_view text);

    // "line N" for a text position, counted from the start of the data.
    std::string where() const;
    [[noreturn]] void fail(const std::string& what) const;

private:
    void skipSpace();

    std::string_view data_;
    std::size_t pos_ = 0;
};

// ----------------------------------------------------------------------------------------------
// Gmsh element type numbers: dimension and node count of the types a mesh file may hold.

struct GmshElementType {
    int type;
    int dim;
    int nodes;
    const char* name;
};

// nullptr for a type number this table does not know.
const GmshElementType* findGmshElementType(int type);

// The linear solid types that map onto the mesh format's cells (node orders agree).
constexpr int kGmshTet4 = 4;
constexpr int kGmshHex8 = 5;
constexpr int kGmshPrism6 = 6;
constexpr int kGmshPyramid5 = 7;

// ----------------------------------------------------------------------------------------------
// What the Gmsh parsers collect from a file, before node tags are resolved.

struct GmshRawCell {
    int type = 0;                     // kGmshTet4, kGmshPyramid5, kGmshPrism6, kGmshHex8
    std::array<long long, 8> tags{};  // node tags; entries past the type's node count unused
    long long elementTag = 0;         // the element's own tag in the file
};

struct GmshRawMesh {
    std::string version;  // as written in $MeshFormat
    bool binary = false;
    std::vector<long long> nodeTags;  // file order
    std::vector<double> xyz;          // 3 per node, same order
    std::vector<GmshRawCell> cells;   // file order
    long long ignoredElements = 0;    // points, lines, triangles, quadrangles
};

// Keeps a linear solid element, counts a lower-dimensional one, refuses any other 3-D type.
// `dim` is the entity dimension when the file states it (MSH 4), -1 otherwise.
void acceptGmshElement(GmshRawMesh& mesh, int type, int dim, const long long* nodeTags,
                       const MshCursor& at, long long elementTag = 0);

// Section parsers of the two file versions. The cursor stands just past the "$Nodes" or
// "$Elements" line and is left just past the matching "$End..." line.
struct MshLayout {
    bool binary = false;
    int sizeBytes = 8;  // MSH 4 binary size_t width
};
void parseNodesV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseElementsV2(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseNodesV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);
void parseElementsV4(MshCursor& c, const MshLayout& layout, GmshRawMesh& mesh);

// Reads the next non-blank line and fails unless it is exactly `text`.
void expectLine(MshCursor& c, const char* text);

}  // namespace qvr::cli

#endif
