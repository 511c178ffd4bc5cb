// Whole-mesh reading through the reader object, for tools and tests.
#include <string>

#include "NQBIO_Manipulator.h"

namespace nqbio {

bool readMesh(const std::string& path, MeshData& mesh, std::string* error, bool quiet) {
    NQBIO_Manipulator reader;
    reader.setQuiet(quiet);
    if (reader.beginReading(path.c_str(), nullptr, 0) <= 0) {
        if (error != nullptr) *error = reader.getLastError();
        return false;
    }
    MeshData read;
    read.unit = reader.getHeaderUnitString();
    read.xyz.resize(3 * static_cast<std::size_t>(reader.nMaxNodes));
    for (std::size_t i = 0; i < read.xyz.size(); i += 3) {
        reader.readNodeBlockEntry(read.xyz[i], read.xyz[i + 1], read.xyz[i + 2]);
    }
    read.parts.resize(static_cast<std::size_t>(reader.nMaxElemPlastic));
    for (PartElement& e : read.parts) {
        int attrWord = 0;
        reader.readElementPlasticBlockEntry(e.nNode, e.node, attrWord, e.attrCode, e.volume);
        e.attrWord = static_cast<std::uint32_t>(attrWord);
    }
    read.surfaces.resize(static_cast<std::size_t>(reader.nMaxElemSurface));
    for (SurfaceElement& s : read.surfaces) {
        reader.readElementSurfaceBlockEntry(s.node, s.kind, s.aux1, s.aux2, s.code, s.aux3);
    }
    reader.endReading();
    mesh = std::move(read);
    return true;
}

}  // namespace nqbio
