// Mesh reader: reads a mesh file (.nqb) in its text or binary encoding.
//
// beginReading reads and checks the whole file before it reports success, so a caller never
// sizes a table from a count the file does not hold. The blocks are then delivered one entry
// per call, nodes first, then part (solid) elements, then surface elements.
#ifndef NQBIO_MANIPULATOR_H
#define NQBIO_MANIPULATOR_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum NQBIO_FileFormat { NQBIO_FORMAT_UNKNOWN = -1, NQBIO_FORMAT_TEXT = 0, NQBIO_FORMAT_BINARY = 1 };

// Version of this reader library; the kernel expects 11002.
int NQBIO_GetPackageVersion();

namespace nqbio {
struct MeshData;
}

class NQBIO_Manipulator {
public:
    // Header counts, valid after a successful beginReading (0 before).
    int nMaxNodes;
    int nMaxElemPlastic;
    int nMaxElemSurface;

    NQBIO_Manipulator();
    virtual ~NQBIO_Manipulator();
    NQBIO_Manipulator(const NQBIO_Manipulator&) = delete;
    NQBIO_Manipulator& operator=(const NQBIO_Manipulator&) = delete;

    // Decides the encoding from the first bytes: 0 text (first token "NQBTEXT"), 1 binary
    // ("NQBB"), -1 anything else (also a file that cannot be opened, a directory, a null name).
    // Only the magic is looked at; the layout version is checked by beginReading. Returns the
    // same value.
    static int getFileFormat(const char* fileName, NQBIO_FileFormat& format);

    // Reads and checks the whole file. Returns 1 on success; 0 on any fault, after writing one
    // line "file:line: what" (text) or "file:offset: what" (binary) to standard error (unless
    // setQuiet asked for silence); the same text is kept for getLastError. Faults of the file as a
    // whole (cannot be opened or read, a directory, not a mesh file, too large for memory) are
    // reported at place 0. `second` and `third` are unused. Any data of an earlier call is dropped
    // first, so after a failure the object holds no data and every entry call returns -1. Binary
    // part element records must hold 0 in the node slots past their node count; any other value is
    // refused as damage. The bytes of the unit field after its text must be NUL.
    int beginReading(const char* fileName, const char* second, int third);
    const char* getHeaderUnitString() const;

    // Each returns the zero-based index of the entry it delivered, or -1 (outputs untouched)
    // when its block has ended, no file is open, or `nodes` is null. `nodes` must have room for
    // 8 (part; only nodes[0..nNode-1] are written) or 4 (surface) ints. attrWord is delivered
    // as the bits of the file's unsigned value.
    int readNodeBlockEntry(float& x, float& y, float& z);
    int readElementPlasticBlockEntry(int& nNode, int* nodes, int& attrWord, int& attrCode,
                                     float& volume);
    int readElementSurfaceBlockEntry(int* nodes, int& surfKind, int& aux1, int& aux2, int& surfCode,
                                     int& aux3);
    // Releases what beginReading read; the counts return to 0. Returns 1.
    int endReading();

    // The diagnostic of the last beginReading when it failed, "" when it succeeded or none ran.
    const char* getLastError() const;

    // Extension, off by default: with quiet true, beginReading keeps its diagnostic for
    // getLastError only and writes nothing to standard error, for callers that report the
    // fault themselves. Applies to the following beginReading calls of this object.
    void setQuiet(bool quiet);
    // The encoding of the file the last successful beginReading holds (NQBIO_FORMAT_UNKNOWN
    // when none is held), so that a caller need not open the file again to learn it.
    NQBIO_FileFormat getReadFormat() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whole-mesh access for tools and tests: the same content both encodings hold.
namespace nqbio {

struct PartElement {
    int nNode = 0;     // 1..8
    int node[8] = {};  // file node numbers, 1-based; entries past nNode are 0
    std::uint32_t attrWord = 0;
    std::int32_t attrCode = 0;
    float volume = 0.0f;  // in the file's unit cubed
};

struct SurfaceElement {
    int node[4] = {};  // a triangle repeats one corner (writers repeat the last)
    int kind = 1, aux1 = 0, aux2 = 0, code = 0, aux3 = 0;
};

struct MeshData {
    std::string unit = "mm";
    std::vector<float> xyz;  // 3 per node, node k at 3*(k-1)
    std::vector<PartElement> parts;
    std::vector<SurfaceElement> surfaces;

    int nodeCount() const { return static_cast<int>(xyz.size() / 3); }
};

// Write a mesh in either encoding. Return false (with a reason in *error when given) when the
// file cannot be written or the content cannot be stored so that it reads back unchanged: a
// unit longer than 43 characters or holding a NUL; in text also a unit with a line end, a '#'
// or blanks at either end; non-finite coordinates or volumes; a part element node count
// outside 1..8; node numbers out of range. The file is written under a temporary name beside
// `path` and renamed over it when complete: a refusal, a failed write or an interrupted one
// leaves `path` as it was (an earlier file of that name stays). Floats are written so that they
// read back bit for bit; part element node slots past nNode are written as 0 whatever they hold.
bool writeText(const std::string& path, const MeshData& mesh, std::string* error = nullptr);
bool writeBinary(const std::string& path, const MeshData& mesh, std::string* error = nullptr);

// Read a whole mesh through NQBIO_Manipulator. Returns false with the reader's diagnostic
// and leaves `mesh` unchanged. With `quiet` the diagnostic goes to *error only, not also to
// standard error (NQBIO_Manipulator::setQuiet).
bool readMesh(const std::string& path, MeshData& mesh, std::string* error = nullptr,
              bool quiet = false);

// The unit text of a mesh file, from its first few kilobytes only (text: the UNIT line with its
// comment and surrounding blanks removed; binary: the header's field up to its first NUL). False
// when the path is not a regular file or its start holds no unit line.
bool readMeshUnit(const std::string& path, std::string& unit);

// Whether the mesh loader knows the unit and scales lengths by it: a unit text that holds mm,
// cm, inch or um. Any other unit is read as millimetres.
bool isKnownUnit(const std::string& unit);

}  // namespace nqbio

#endif
