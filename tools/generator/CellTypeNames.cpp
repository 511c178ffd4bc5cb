#include "PartGenerator.h"

namespace qvr::gen {
namespace {

struct TypeName {
    CellType type;
    const char* name;
};
constexpr TypeName kTypeNames[] = {{CellType::Tet, "tet"},
                                   {CellType::Pyramid, "pyramid"},
                                   {CellType::Prism, "prism"},
                                   {CellType::Hex, "hex"},
                                   {CellType::Mixed, "mixed"}};

}  // namespace

bool parseCellType(const std::string& text, CellType& type) {
    for (const TypeName& entry : kTypeNames) {
        if (text == entry.name) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

const char* cellTypeName(CellType type) {
    for (const TypeName& entry : kTypeNames) {
        if (entry.type == type) return entry.name;
    }
    return "unknown";
}

}  // namespace qvr::gen
