#include "tensor_import.h"

#if defined(QVR_HAVE_EXPAT)
#include <expat.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>

#include "cli_support.h"
#include "common/whole_file.h"
#include "npy_archive.h"
#include "output_file.h"

namespace qvr::cli {

namespace {

constexpr std::size_t kComponents = 6;
constexpr const char* kComponentColumns[kComponents] = {"a11", "a22", "a33", "a12", "a23", "a13"};
constexpr const char* kKeyNames[] = {"cell",        "id",    "tag", "element",
                                     "element_tag", "cells", "ids", "tags"};
// VTK cell types of the solid cells: tetrahedron, hexahedron, wedge (prism), pyramid.
constexpr int kVtkSolidTypes[] = {10, 12, 13, 14};
// Positions of XX YY ZZ XY YZ XZ in a row-major full tensor.
constexpr std::size_t kFullTensorIndex[kComponents] = {0, 4, 8, 1, 5, 2};

bool isKeyName(std::string_view name) {
    return std::find(std::begin(kKeyNames), std::end(kKeyNames), name) != std::end(kKeyNames);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool toDouble(std::string_view s, double& v) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size();
}

// A key must be a whole number that fits a long long.
bool toKey(double v, long long& key) {
    if (!(std::fabs(v) < 9.0e18) || v != std::floor(v)) return false;
    key = static_cast<long long>(v);
    return true;
}

// ---- VTU ----

struct VtuArray {
    std::string parent, name, type, format;
    int components = 1;
    std::uint64_t offset = 0;
    std::string text;
};

struct VtuDocument {
    std::string headerType = "UInt32", compressor, appendedEncoding;
    std::vector<VtuArray> arrays;
    std::string appendedText;  // base64 appended data
    std::vector<std::string> open;
    bool inArray = false, inAppended = false;
};

std::size_t typeWidth(const std::string& type) {
    if (type == "Float64" || type == "Int64" || type == "UInt64") return 8;
    if (type == "Float32" || type == "Int32" || type == "UInt32") return 4;
    if (type == "Int16" || type == "UInt16") return 2;
    if (type == "Int8" || type == "UInt8") return 1;
    return 0;
}

template <class T>
double loadAs(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return static_cast<double>(v);
}

bool bytesToValues(const std::string& type, std::string_view bytes, std::vector<double>& out) {
    const std::size_t w = typeWidth(type);
    if (w == 0 || bytes.size() % w != 0) return false;
    out.resize(bytes.size() / w);
    const char* p = bytes.data();
    for (std::size_t i = 0; i < out.size(); ++i, p += w) {
        if (type == "Float64")
            out[i] = loadAs<double>(p);
        else if (type == "Float32")
            out[i] = loadAs<float>(p);
        else if (type == "Int64")
            out[i] = loadAs<std::int64_t>(p);
        else if (type == "UInt64")
            out[i] = loadAs<std::uint64_t>(p);
        else if (type == "Int32")
            out[i] = loadAs<std::int32_t>(p);
        else if (type == "UInt32")
            out[i] = loadAs<std::uint32_t>(p);
        else if (type == "Int16")
            out[i] = loadAs<std::int16_t>(p);
        else if (type == "UInt16")
            out[i] = loadAs<std::uint16_t>(p);
        else if (type == "Int8")
            out[i] = loadAs<std::int8_t>(p);
        else
            out[i] = loadAs<std::uint8_t>(p);
    }
    return true;
}

bool base64Decode(std::string_view text, std::string& out) {
    out.clear();
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        else
            return false;
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xffu));
        }
    }
    return true;
}

std::string stripSpace(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') out.push_back(c);
    return out;
}

// Reads header integer `index` (of the document's header type) from the start of `bytes`.
bool headerValue(const VtuDocument& doc, std::string_view bytes, std::uint64_t index,
                 std::uint64_t& v) {
    const std::size_t w = doc.headerType == "UInt64" ? 8 : 4;
    if (index >= bytes.size() / w) return false;
    if (w == 8) {
        std::memcpy(&v, bytes.data() + index * w, 8);
    } else {
        std::uint32_t v32;
        std::memcpy(&v32, bytes.data() + index * w, 4);
        v = v32;
    }
    return true;
}

// Decodes one binary block (header then data) starting at `bytes`; `used` gets its length.
bool decodeBlock(const VtuDocument& doc, std::string_view bytes, std::string& data,
                 std::uint64_t& used) {
    const std::uint64_t w = doc.headerType == "UInt64" ? 8 : 4;
    if (doc.compressor.empty()) {
        std::uint64_t n = 0;
        if (!headerValue(doc, bytes, 0, n) || n > bytes.size() - w) return false;
        data.assign(bytes.substr(w, n));
        used = w + n;
        return true;
    }
    if (doc.compressor != "vtkZLibDataCompressor") return false;
    std::uint64_t blocks = 0, blockSize = 0, lastSize = 0;
    if (!headerValue(doc, bytes, 0, blocks) || !headerValue(doc, bytes, 1, blockSize) ||
        !headerValue(doc, bytes, 2, lastSize) || blocks > bytes.size() / w)
        return false;
    std::uint64_t at = (3 + blocks) * w;
    if (at > bytes.size() || (blocks > 0 && blockSize > kMaxNpyBytes / blocks)) return false;
    data.clear();
    for (std::uint64_t b = 0; b < blocks; ++b) {
        std::uint64_t packed = 0;
        if (!headerValue(doc, bytes, 3 + b, packed) || packed > bytes.size() - at) return false;
        const std::uint64_t size = (b + 1 == blocks && lastSize != 0) ? lastSize : blockSize;
        std::string block(size, '\0');
        uLongf got = static_cast<uLongf>(size);
        if (uncompress(reinterpret_cast<Bytef*>(block.data()), &got,
                       reinterpret_cast<const Bytef*>(bytes.data() + at),
                       static_cast<uLong>(packed)) != Z_OK ||
            got != size)
            return false;
        data += block;
        at += packed;
    }
    used = at;
    return true;
}

bool arrayValues(const VtuDocument& doc, const std::string& appendedRaw, const VtuArray& a,
                 std::vector<double>& values, std::string& error) {
    if (typeWidth(a.type) == 0) {
        error = "array " + a.name + " has type " + a.type;
        return false;
    }
    std::string data;
    std::uint64_t used = 0;
    if (a.format == "ascii") {
        values.clear();
        std::string_view s = a.text;
        while (true) {
            const std::size_t b = s.find_first_not_of(" \t\r\n");
            if (b == std::string_view::npos) break;
            const std::size_t e = std::min(s.find_first_of(" \t\r\n", b), s.size());
            double v;
            if (!toDouble(s.substr(b, e - b), v)) {
                error = "array " + a.name + " holds '" + std::string(s.substr(b, e - b)) + "'";
                return false;
            }
            values.push_back(v);
            s.remove_prefix(e);
        }
        return true;
    }
    bool ok = false;
    if (a.format == "binary") {
        const std::string packed = stripSpace(a.text);
        std::string bytes;
        if (doc.compressor.empty()) {
            ok = base64Decode(packed, bytes) && decodeBlock(doc, bytes, data, used);
        } else {
            // Compressed inline data: the header and the blocks are encoded separately.
            const std::uint64_t w = doc.headerType == "UInt64" ? 8 : 4;
            std::string first;
            std::uint64_t blocks = 0;
            ok = base64Decode(
                     packed.substr(0, std::min<std::size_t>(packed.size(), ((w + 2) / 3) * 4)),
                     first) &&
                 headerValue(doc, first, 0, blocks) && blocks < packed.size();
            if (ok) {
                const std::size_t headerChars =
                    static_cast<std::size_t>((((3 + blocks) * w) + 2) / 3 * 4);
                std::string header, body;
                ok = headerChars <= packed.size() &&
                     base64Decode(packed.substr(0, headerChars), header) &&
                     base64Decode(packed.substr(headerChars), body);
                ok = ok && decodeBlock(doc, header + body, data, used);
            }
        }
    } else if (a.format == "appended") {
        ok = a.offset <= appendedRaw.size() &&
             decodeBlock(doc, std::string_view(appendedRaw).substr(a.offset), data, used);
    }
    if (!ok || !bytesToValues(a.type, data, values)) {
        error = "array " + a.name + " cannot be decoded";
        return false;
    }
    return true;
}

}  // namespace

namespace {

// Parses the XML and separates the appended data; the arrays are decoded on demand.
bool loadVtu(const std::string& file, VtuDocument& doc, std::string& appendedRaw,
             std::string& error) {
    // Raw appended data is not XML: it is cut out before parsing and decoded on its own.
    std::string xml = file;
    const std::size_t appended = file.find("<AppendedData");
    bool raw = false;
    if (appended != std::string::npos) {
        const std::size_t tagEnd = file.find('>', appended);
        const std::size_t close = file.rfind("</AppendedData>");
        if (tagEnd == std::string::npos || close == std::string::npos || close < tagEnd) {
            error = "a damaged AppendedData section";
            return false;
        }
        const std::string tag = file.substr(appended, tagEnd - appended);
        raw = tag.find("encoding=\"raw\"") != std::string::npos;
        if (raw) {
            const std::size_t underscore = file.find('_', tagEnd);
            if (underscore == std::string::npos || underscore > close) {
                error = "appended data without its '_' marker";
                return false;
            }
            appendedRaw = file.substr(underscore + 1, close - underscore - 1);
            xml = file.substr(0, tagEnd + 1) + file.substr(close);
        }
    }
#if !defined(QVR_HAVE_EXPAT)
    (void)doc;
    error =
        "this build of qvr reads no VTU files (it was built without expat); give the tensors as "
        ".csv, .npy or .npz";
    return false;
#else
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &doc);
    XML_SetElementHandler(
        parser,
        [](void* user, const XML_Char* name, const XML_Char** attrs) {
            auto* d = static_cast<VtuDocument*>(user);
            std::map<std::string, std::string> a;
            for (int i = 0; attrs[i]; i += 2) a[attrs[i]] = attrs[i + 1];
            const std::string element = name;
            if (element == "VTKFile") {
                if (a.count("header_type")) d->headerType = a["header_type"];
                if (a.count("compressor")) d->compressor = a["compressor"];
            } else if (element == "DataArray") {
                VtuArray array;
                array.parent = d->open.empty() ? "" : d->open.back();
                array.name = a["Name"];
                array.type = a["type"];
                array.format = a.count("format") ? a["format"] : "ascii";
                if (a.count("NumberOfComponents"))
                    array.components = std::atoi(a["NumberOfComponents"].c_str());
                if (a.count("offset"))
                    array.offset = std::strtoull(a["offset"].c_str(), nullptr, 10);
                d->arrays.push_back(array);
                d->inArray = true;
            } else if (element == "AppendedData") {
                d->appendedEncoding = a["encoding"];
                d->inAppended = true;
            }
            d->open.push_back(element);
        },
        [](void* user, const XML_Char*) {
            auto* d = static_cast<VtuDocument*>(user);
            d->inArray = false;
            d->inAppended = false;
            if (!d->open.empty()) d->open.pop_back();
        });
    XML_SetCharacterDataHandler(parser, [](void* user, const XML_Char* text, int length) {
        auto* d = static_cast<VtuDocument*>(user);
        if (d->inArray) d->arrays.back().text.append(text, static_cast<std::size_t>(length));
        if (d->inAppended) d->appendedText.append(text, static_cast<std::size_t>(length));
    });
    const bool wellFormed =
        xml.size() < static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
        XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    if (!wellFormed)
        error = std::string("not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser)) +
                " at line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
    XML_ParserFree(parser);
    if (!wellFormed) return false;
#endif
    if (!raw && !doc.appendedText.empty()) {
        const std::string text = stripSpace(doc.appendedText);
        if (text.empty() || text[0] != '_' || !base64Decode(text.substr(1), appendedRaw)) {
            error = "damaged base64 appended data";
            return false;
        }
    }
    return true;
}

}  // namespace

bool readVtuArrays(const std::string& file, std::map<std::string, std::vector<double>>& arrays,
                   std::string& error) {
    VtuDocument doc;
    std::string appendedRaw;
    if (!loadVtu(file, doc, appendedRaw, error)) return false;
    for (const VtuArray& a : doc.arrays)
        if (!arrayValues(doc, appendedRaw, a, arrays[a.parent + "/" + a.name], error)) return false;
    return true;
}

bool parseTensorVtu(const std::string& file, CellTensors& out, std::string& error) {
    VtuDocument doc;
    std::string appendedRaw;
    if (!loadVtu(file, doc, appendedRaw, error)) return false;
    const VtuArray* types = nullptr;
    for (const VtuArray& a : doc.arrays)
        if (a.parent == "Cells" && a.name == "types") types = &a;
    if (types == nullptr) {
        error = "no cells (no Cells/types array): not an unstructured grid";
        return false;
    }
    std::vector<double> typeValues;
    if (!arrayValues(doc, appendedRaw, *types, typeValues, error)) return false;
    std::vector<std::size_t> solid;  // positions of the solid cells
    for (std::size_t i = 0; i < typeValues.size(); ++i)
        if (std::find(std::begin(kVtkSolidTypes), std::end(kVtkSolidTypes),
                      static_cast<int>(typeValues[i])) != std::end(kVtkSolidTypes))
            solid.push_back(i);

    const auto cellArray = [&](const VtuArray& a, std::vector<double>& v) -> bool {
        if (!arrayValues(doc, appendedRaw, a, v, error)) return false;
        if (v.size() != typeValues.size() * static_cast<std::size_t>(std::max(a.components, 1))) {
            error = "cell array " + a.name + " does not fit the " +
                    std::to_string(typeValues.size()) + " cells";
            return false;
        }
        return true;
    };
    std::array<const VtuArray*, kComponents> scalars{};
    const VtuArray* tensor = nullptr;
    const VtuArray* key = nullptr;
    for (const VtuArray& a : doc.arrays) {
        if (a.parent != "CellData") continue;
        for (std::size_t k = 0; k < kComponents; ++k)
            if (a.name == kComponentColumns[k] && a.components == 1) scalars[k] = &a;
        if ((a.components == 6 || a.components == 9) && tensor == nullptr) tensor = &a;
        if (a.components == 1 && isKeyName(a.name) && key == nullptr) key = &a;
    }
    const bool haveScalars =
        std::all_of(scalars.begin(), scalars.end(), [](const VtuArray* a) { return a != nullptr; });
    if (!haveScalars && tensor == nullptr) {
        error = "no cell arrays a11 .. a13 and no 6- or 9-component cell array";
        return false;
    }
    out = CellTensors{};
    out.values.assign(solid.size(), {});
    if (haveScalars) {
        for (std::size_t k = 0; k < kComponents; ++k) {
            std::vector<double> v;
            if (!cellArray(*scalars[k], v)) return false;
            for (std::size_t i = 0; i < solid.size(); ++i) out.values[i][k] = v[solid[i]];
        }
    } else {
        std::vector<double> v;
        if (!cellArray(*tensor, v)) return false;
        const auto n = static_cast<std::size_t>(tensor->components);
        for (std::size_t i = 0; i < solid.size(); ++i)
            for (std::size_t k = 0; k < kComponents; ++k)
                out.values[i][k] = v[solid[i] * n + (n == 9 ? kFullTensorIndex[k] : k)];
    }
    if (key != nullptr) {
        std::vector<double> v;
        if (!cellArray(*key, v)) return false;
        out.keyed = true;
        for (std::size_t i : solid) {
            long long k = 0;
            if (!toKey(v[i], k)) {
                error = "cell array " + key->name + " holds a key that is not a whole number";
                return false;
            }
            out.keys.push_back(k);
        }
    }
    return true;
}

// ---- CSV ----

bool parseTensorCsv(const std::string& text, CellTensors& out, std::string& error) {
    out = CellTensors{};
    out.keyed = true;
    std::array<int, 1 + kComponents> column{0, 1, 2, 3, 4, 5, 6};  // key, then a11 .. a13
    bool headerSeen = false, dataSeen = false;
    std::size_t pos = 0;
    long long lineNumber = 0;
    std::vector<std::string_view> fields;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string_view line(text.data() + pos, eol - pos);
        pos = eol + 1;
        ++lineNumber;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trim(line);
        if (line.empty()) continue;
        fields.clear();
        for (std::size_t start = 0;;) {
            const std::size_t comma = line.find(',', start);
            fields.push_back(trim(line.substr(
                start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        const auto where = [&] { return "line " + std::to_string(lineNumber) + ": "; };
        if (!headerSeen && !dataSeen) {
            double probe;
            if (!toDouble(fields[0], probe)) {  // a header row
                headerSeen = true;
                column.fill(-1);
                for (std::size_t f = 0; f < fields.size(); ++f) {
                    if (isKeyName(fields[f])) column[0] = static_cast<int>(f);
                    for (std::size_t k = 0; k < kComponents; ++k)
                        if (fields[f] == kComponentColumns[k]) column[k + 1] = static_cast<int>(f);
                }
                for (std::size_t k = 0; k < kComponents; ++k)
                    if (column[k + 1] < 0) {
                        error = where() + "the header names no column " + kComponentColumns[k];
                        return false;
                    }
                out.keyed = column[0] >= 0;
                continue;
            }
        }
        dataSeen = true;
        std::array<double, kComponents> row{};
        for (std::size_t k = 0; k <= kComponents; ++k) {
            if (column[k] < 0) continue;
            const auto f = static_cast<std::size_t>(column[k]);
            double v;
            if (f >= fields.size() || !toDouble(fields[f], v)) {
                error = where() + (f >= fields.size()
                                       ? "too few columns"
                                       : "'" + std::string(fields[f]) + "' is not a number");
                return false;
            }
            if (k == 0) {
                long long key;
                if (!toKey(v, key)) {
                    error =
                        where() + "the key '" + std::string(fields[f]) + "' is not a whole number";
                    return false;
                }
                out.keys.push_back(key);
            } else {
                row[k - 1] = v;
            }
        }
        out.values.push_back(row);
    }
    return true;
}

// ---- numpy ----

namespace {

bool tableToTensors(const NpyArray& a, const NpyArray* keys, CellTensors& out, std::string& error) {
    out = CellTensors{};
    if (a.shape.size() != 2 || (a.shape[1] != 6 && a.shape[1] != 7)) {
        error = "the tensor array is not N x 6 or N x 7";
        return false;
    }
    const std::size_t rows = a.shape[0], cols = a.shape[1];
    const bool keyColumn = cols == 7;
    if (keyColumn && keys != nullptr) {
        error = "both a key column and a key array";
        return false;
    }
    out.keyed = keyColumn || keys != nullptr;
    if (keys != nullptr && (keys->shape.size() != 1 || keys->shape[0] != rows)) {
        error = "the key array does not have one key per row";
        return false;
    }
    out.values.resize(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const double* row = &a.values[r * cols];
        if (out.keyed) {
            long long key;
            if (!toKey(keyColumn ? row[0] : keys->values[r], key)) {
                error = "row " + std::to_string(r) + ": the key is not a whole number";
                return false;
            }
            out.keys.push_back(key);
        }
        for (std::size_t k = 0; k < kComponents; ++k)
            out.values[r][k] = row[k + (keyColumn ? 1 : 0)];
    }
    return true;
}

}  // namespace

bool parseTensorNpy(const std::string& data, CellTensors& out, std::string& error) {
    NpyArray a;
    return parseNpy(data, a, error) && tableToTensors(a, nullptr, out, error);
}

bool parseTensorNpz(const std::string& data, CellTensors& out, std::string& error) {
    std::map<std::string, NpyArray> arrays;
    if (!parseNpz(data, arrays, error)) return false;
    const NpyArray* table = nullptr;
    const NpyArray* keys = nullptr;
    if (arrays.count("tensors")) table = &arrays["tensors"];
    for (const char* name : {"ids", "cells", "tags"})
        if (arrays.count(name)) keys = &arrays[name];
    if (table == nullptr && arrays.size() == 1) table = &arrays.begin()->second;
    if (table == nullptr) {
        error = "no array named tensors (and more than one array)";
        return false;
    }
    return tableToTensors(*table, keys, out, error);
}

CellTensors readCellTensors(const std::string& path) {
    std::string data, error;
    if (!common::readWholeFile(path.c_str(), data, error)) failFile(path + ": " + error);
    const auto endsWith = [&](const char* ext) {
        const std::size_t n = std::strlen(ext);
        if (path.size() < n) return false;
        std::string tail = path.substr(path.size() - n);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return tail == ext;
    };
    CellTensors t;
    bool ok;
    if (endsWith(".csv"))
        ok = parseTensorCsv(data, t, error);
    else if (endsWith(".vtu"))
        ok = parseTensorVtu(data, t, error);
    else if (endsWith(".npz"))
        ok = parseTensorNpz(data, t, error);
    else if (endsWith(".npy"))
        ok = parseTensorNpy(data, t, error);
    else
        failUsage(path +
                  ": the tensors' format is told by the extension: .csv, .vtu, .npy or .npz");
    if (!ok) failFile(path + ": " + error);
    return t;
}

std::string tagMapPathFor(const std::string& meshPath) {
    const std::size_t slash = meshPath.find_last_of('/');
    const std::size_t dot = meshPath.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? meshPath.substr(0, dot) : meshPath) + ".tags.csv";
}

void writeTagMap(const std::string& path, const std::vector<long long>& cellTags) {
    OutputFile out(path);
    out.write("cell,gmsh_element_tag\n");
    for (std::size_t c = 0; c < cellTags.size(); ++c) {
        out.integer(static_cast<long long>(c + 1));
        out.put(',');
        out.integer(cellTags[c]);
        out.put('\n');
    }
    out.close();
}

std::unordered_map<long long, long long> readTagMap(const std::string& path) {
    std::string text, error;
    if (!common::readWholeFile(path.c_str(), text, error)) failFile(path + ": " + error);
    std::unordered_map<long long, long long> map;
    std::size_t pos = 0;
    long long line = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        const std::string_view row = trim(std::string_view(text).substr(pos, eol - pos));
        pos = eol + 1;
        ++line;
        if (row.empty() || row.front() == '#' || line == 1) continue;  // the header
        const std::size_t comma = row.find(',');
        double cell, tag;
        long long c, t;
        if (comma == std::string_view::npos || !toDouble(row.substr(0, comma), cell) ||
            !toDouble(row.substr(comma + 1), tag) || !toKey(cell, c) || !toKey(tag, t) ||
            !map.emplace(t, c).second)
            failFile(path + ":" + std::to_string(line) +
                     ": expected 'cell,gmsh_element_tag' with a new tag");
    }
    return map;
}

k7t::ResultFile tensorsToResult(const CellTensors& tensors, long long cells, long long nodes,
                                const std::unordered_map<long long, long long>* tagMap,
                                const std::string& source) {
    const long long rows = static_cast<long long>(tensors.values.size());
    if (!tensors.keyed && tagMap != nullptr)
        failFile(source + ": the tensors carry no keys, so they cannot be placed by Gmsh tag");
    if (!tensors.keyed && rows != cells)
        failFile(source + ": " + std::to_string(rows) + " tensors for a mesh of " +
                 std::to_string(cells) +
                 " cells (without keys they are taken as cells 1, 2, ... in order)");
    std::vector<long long> rowOfCell(static_cast<std::size_t>(cells) + 1, -1);
    for (long long r = 0; r < rows; ++r) {
        long long cell = r + 1;
        if (tensors.keyed) {
            const long long key = tensors.keys[static_cast<std::size_t>(r)];
            if (tagMap != nullptr) {
                const auto it = tagMap->find(key);
                if (it == tagMap->end())
                    failFile(source + ": Gmsh element tag " + std::to_string(key) +
                             " is no cell of the mesh");
                cell = it->second;
            } else {
                cell = key;
            }
            if (cell < 1 || cell > cells)
                failFile(source + ": cell " + std::to_string(key) + " is not in the mesh (1.." +
                         std::to_string(cells) + ")");
        }
        long long& slot = rowOfCell[static_cast<std::size_t>(cell)];
        if (slot >= 0)
            failFile(
                source + ": " + (tagMap ? "Gmsh element tag " : "cell ") +
                std::to_string(tensors.keyed ? tensors.keys[static_cast<std::size_t>(r)] : cell) +
                " is given twice");
        slot = r;
    }
    const auto missing = std::find(rowOfCell.begin() + 1, rowOfCell.end(), -1);
    if (missing != rowOfCell.end()) {
        const long long count = std::count(rowOfCell.begin() + 1, rowOfCell.end(), -1);
        failFile(source + ": " + std::to_string(count) + " of the mesh's " + std::to_string(cells) +
                 " cells have no tensor (the first: cell " +
                 std::to_string(missing - rowOfCell.begin()) + ")");
    }
    // Our component order a11 a22 a33 a12 a23 a13 against the file's items a11 a22 a33 a12 a13 a23.
    constexpr std::size_t kItemOfComponent[kComponents] = {0, 1, 2, 3, 5, 4};
    k7t::ResultFile file;
    // The same tensors give the same file whatever format they came in: no file name inside.
    file.project = "imported fibre orientation";
    file.run = "per-cell tensors";
    file.timeSteps = 1;
    file.nodeCount = nodes;
    file.elemCount = cells;
    file.items.resize(kComponents);
    for (std::size_t i = 0; i < kComponents; ++i) {
        file.items[i].id = k7t::kFiberItemIds[i];
        file.items[i].location = 1;
        file.items[i].name = k7t::kFiberItemNames[i];
        file.items[i].values.resize(static_cast<std::size_t>(cells));
    }
    for (long long c = 1; c <= cells; ++c) {
        const auto& v =
            tensors.values[static_cast<std::size_t>(rowOfCell[static_cast<std::size_t>(c)])];
        for (std::size_t k = 0; k < kComponents; ++k)
            file.items[kItemOfComponent[k]].values[static_cast<std::size_t>(c - 1)] =
                static_cast<float>(v[k]);
    }
    return file;
}

}  // namespace qvr::cli
