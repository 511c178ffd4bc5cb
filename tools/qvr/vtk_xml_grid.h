// A VTK XML unstructured grid (.vtu) assembled array by array and written in one go, either as
// ASCII text inside the XML or as zlib-compressed binary appended after it (the form VTK's own
// writer uses by default: header UInt64, blocks of kVtkBlockBytes compressed one by one).
// Both open in ParaView, VTK's reader and meshio.
#ifndef QVR_CLI_VTK_XML_GRID_H
#define QVR_CLI_VTK_XML_GRID_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvr::cli {

enum class VtkEncoding { Ascii, CompressedBinary };

// Uncompressed bytes per compressed block (VTK's own default block size).
constexpr std::size_t kVtkBlockBytes = 32768;

// VTK cell type numbers.
constexpr int kVtkLine = 3;
constexpr int kVtkPolyLine = 4;
constexpr int kVtkTriangle = 5;
constexpr int kVtkQuad = 9;

class VtkXmlGrid {
public:
    enum class Section { FieldData, PointData, CellData, Points, Cells };
    enum class Type { Float64, Float32, Int32, Int64, UInt8 };

    // Arrays are written in the order they are added, section by section.
    // Float64, or with `type` Float32 for values that hold no more than single precision.
    void addReals(Section section, const std::string& name, int components,
                  std::vector<double> values, Type type = Type::Float64);
    void addIntegers(Section section, Type type, const std::string& name,
                     std::vector<long long> values);
    // Field data text: VTK has a String type, but meshio refuses files holding one, so a text
    // is stored as the UInt8 array of its bytes (Python: bytes(array).decode()).
    void addText(const std::string& name, const std::string& text);
    // The default scalars and vectors ParaView colours by.
    void setActive(Section section, const std::string& scalars, const std::string& vectors);

    // Writes the grid with the given numbers of points and cells (the arrays must fit them).
    // `comment` goes into an XML comment after the declaration when not empty. Throws CliError
    // (file) when the file cannot be written.
    void write(const std::string& path, std::size_t points, std::size_t cells, VtkEncoding encoding,
               const std::string& comment = "") const;

private:
    struct Array {
        Section section;
        Type type;
        std::string name;
        int components = 1;
        std::vector<double> reals;        // Float64 and Float32
        std::vector<long long> integers;  // the other types
    };
    std::vector<Array> arrays_;
    std::string pointScalars_, pointVectors_, cellScalars_;
};

// The bytes VTK's zlib compressor makes of `data`: the UInt64 header (block count, block
// size, size of the last block, compressed size of every block), then the blocks.
std::string compressForVtk(const std::string& data);

}  // namespace qvr::cli

#endif
