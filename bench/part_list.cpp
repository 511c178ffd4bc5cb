#include "part_list.h"

#include <cstdlib>
#include <sstream>

#include "gmsh_part.h"

namespace qvr::bench {
namespace {

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) out.push_back(item);
    return out;
}

// Takes --name=value out of argv; false when it is not there.
bool takeFlag(int& argc, char** argv, const std::string& name, std::string& value) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(prefix, 0) != 0) continue;
        value = arg.substr(prefix.size());
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return false;
}

}  // namespace

bool takePartList(int& argc, char** argv, std::vector<PartKey>& parts, std::string& error) {
    std::string sizesText = "10000,100000,1000000", typesText = "hex,tet";
    takeFlag(argc, argv, "qvr_sizes", sizesText);
    takeFlag(argc, argv, "qvr_types", typesText);
    std::string meshesText;
    takeFlag(argc, argv, "qvr_meshes", meshesText);

    std::vector<long long> sizes;
    for (const std::string& s : splitList(sizesText)) {
        char* end = nullptr;
        const long long n = std::strtoll(s.c_str(), &end, 10);
        if (end == s.c_str() || *end != '\0' || n < 1) {
            error = "bad size '" + s + "'";
            return false;
        }
        sizes.push_back(n);
    }
    std::vector<gen::CellType> types;
    for (const std::string& t : splitList(typesText)) {
        gen::CellType type;
        if (!gen::parseCellType(t, type)) {
            error = "bad cell type '" + t + "'";
            return false;
        }
        types.push_back(type);
    }
    std::vector<std::string> meshFiles;
    for (const std::string& entry : splitList(meshesText))
        if (!meshFilesOf(entry, meshFiles, error)) return false;
    std::vector<PartKey> meshParts;
    for (const std::string& file : meshFiles) {
        PartKey key;
        if (!gmshPartKey(file, key, error)) return false;
        for (const PartKey& other : meshParts)
            if (other.name == key.name) {
                error = "two meshes named " + key.name + ": " + other.gmshMesh + " and " + file;
                return false;
            }
        meshParts.push_back(key);
    }
    parts.clear();
    for (long long cells : sizes)
        for (gen::CellType type : types) parts.push_back(PartKey::generated(type, cells));
    parts.insert(parts.end(), meshParts.begin(), meshParts.end());
    return true;
}

}  // namespace qvr::bench
