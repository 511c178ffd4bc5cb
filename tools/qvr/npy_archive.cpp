#include "npy_archive.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace qvr::cli {

namespace {

static_assert(std::endian::native == std::endian::little,
              "arrays are read as little-endian values in place");

constexpr std::string_view kNpyMagic{"\x93NUMPY", 6};
constexpr std::uint32_t kZipEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kZip64EndOfDirectory = 0x06064b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint32_t kZipDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kZipLocalHeader = 0x04034b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kZipStored = 0;
constexpr std::uint16_t kZipDeflated = 8;
constexpr std::size_t kZipEndRecordSize = 22;
constexpr std::size_t kZipMaxComment = 0xffff;
// npy dimensions read; numpy allows 64, a tensor table has 1 or 2.
constexpr std::size_t kMaxDimensions = 32;

template <class T>
bool readAt(std::string_view data, std::uint64_t at, T& value) {
    if (at > data.size() || data.size() - at < sizeof(T)) return false;
    std::memcpy(&value, data.data() + at, sizeof(T));
    return true;
}

// The value of `key` in numpy's header dictionary text, up to the next top-level comma.
bool headerField(std::string_view header, std::string_view key, std::string_view& value) {
    std::string quoted(1, '\'');
    quoted.append(key);
    quoted.push_back('\'');
    const std::size_t at = header.find(quoted);
    if (at == std::string_view::npos) return false;
    std::size_t colon = header.find(':', at + quoted.size());
    if (colon == std::string_view::npos) return false;
    std::size_t begin = colon + 1;
    while (begin < header.size() && header[begin] == ' ') ++begin;
    std::size_t end = begin;
    int depth = 0;
    while (end < header.size()) {
        const char c = header[end];
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if ((c == ',' && depth == 0) || c == '}' || depth < 0) break;
        ++end;
    }
    if (depth > 0) return false;
    if (end < header.size() && header[end] == ')') ++end;
    value = header.substr(begin, end - begin);
    return true;
}

bool parseShape(std::string_view text, std::vector<std::uint64_t>& shape) {
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') return false;
    shape.clear();
    std::uint64_t current = 0;
    bool inNumber = false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (current > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return false;
            current = current * 10 + static_cast<std::uint64_t>(c - '0');
            inNumber = true;
        } else if (c == ',') {
            if (!inNumber) return false;
            shape.push_back(current);
            current = 0;
            inNumber = false;
        } else if (c != ' ' && c != 'L') {
            return false;
        }
    }
    if (inNumber) shape.push_back(current);
    return shape.size() <= kMaxDimensions;
}

template <class T>
void convert(const char* raw, std::uint64_t count, std::vector<double>& out) {
    out.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        T v;
        std::memcpy(&v, raw + i * sizeof(T), sizeof(T));
        out[i] = static_cast<double>(v);
    }
}

bool inflateEntry(std::string_view packed, std::uint64_t size, std::string& out,
                  std::string& error) {
    if (size > kMaxNpyBytes) {
        error = "an entry larger than " + std::to_string(kMaxNpyBytes >> 30) + " GiB";
        return false;
    }
    out.assign(size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        error = "zlib could not start";
        return false;
    }
    int rc = Z_OK;
    std::uint64_t inDone = 0, outDone = 0;
    // zlib counts in 32-bit units: feed and drain in steps.
    constexpr std::uint64_t kStep = 1u << 30;
    while (rc == Z_OK) {
        const std::uint64_t inLeft = packed.size() - inDone, outLeft = size - outDone;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + inDone));
        z.avail_in = static_cast<uInt>(std::min(inLeft, kStep));
        z.next_out = reinterpret_cast<Bytef*>(out.data() + outDone);
        z.avail_out = static_cast<uInt>(std::min(outLeft, kStep));
        const uInt inGiven = z.avail_in, outGiven = z.avail_out;
        rc = inflate(&z, Z_NO_FLUSH);
        inDone += inGiven - z.avail_in;
        outDone += outGiven - z.avail_out;
        if (rc == Z_OK && inGiven == z.avail_in && outGiven == z.avail_out) rc = Z_DATA_ERROR;
        if (rc == Z_BUF_ERROR && outDone == size) rc = Z_DATA_ERROR;  // more data than stated
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END || outDone != size) {
        error = "a damaged deflated entry";
        return false;
    }
    return true;
}

std::uint32_t crc32Of(std::string_view data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    constexpr std::size_t kStep = 1u << 30;  // zlib counts in 32-bit units
    for (std::size_t at = 0; at < data.size(); at += kStep) {
        const std::size_t n = std::min(kStep, data.size() - at);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + at), static_cast<uInt>(n));
    }
    return static_cast<std::uint32_t>(crc);
}

}  // namespace

bool parseNpy(std::string_view data, NpyArray& array, std::string& error) {
    if (data.substr(0, kNpyMagic.size()) != kNpyMagic || data.size() < 10) {
        error = "not a numpy array file (no \\x93NUMPY signature)";
        return false;
    }
    const int major = static_cast<unsigned char>(data[6]);
    std::uint64_t headerLength = 0, headerStart = 0;
    if (major == 1) {
        std::uint16_t n = 0;
        readAt(data, 8, n);
        headerLength = n;
        headerStart = 10;
    } else if (major == 2 || major == 3) {
        std::uint32_t n = 0;
        if (!readAt(data, 8, n)) {
            error = "a truncated array header";
            return false;
        }
        headerLength = n;
        headerStart = 12;
    } else {
        error = "numpy array format version " + std::to_string(major) + " (1 to 3 are read)";
        return false;
    }
    if (headerStart + headerLength > data.size()) {
        error = "a truncated array header";
        return false;
    }
    const std::string_view header = data.substr(headerStart, headerLength);
    std::string_view descr, order, shapeText;
    if (!headerField(header, "descr", descr) || !headerField(header, "fortran_order", order) ||
        !headerField(header, "shape", shapeText) || !parseShape(shapeText, array.shape)) {
        error = "an array header without a readable descr, fortran_order or shape";
        return false;
    }
    int width = 0;
    bool real = true;
    if (descr == "'<f8'" || descr == "'=f8'")
        width = 8;
    else if (descr == "'<f4'" || descr == "'=f4'")
        width = 4;
    else if (descr == "'<i8'" || descr == "'=i8'")
        width = 8, real = false;
    else if (descr == "'<i4'" || descr == "'=i4'")
        width = 4, real = false;
    if (width == 0) {
        error =
            "element type " + std::string(descr) + " (float64, float32, int64 or int32 are read)";
        return false;
    }
    std::uint64_t count = 1;
    for (std::uint64_t d : array.shape) {
        if (d != 0 && count > kMaxNpyBytes / d) {
            error = "an array larger than " + std::to_string(kMaxNpyBytes >> 30) + " GiB";
            return false;
        }
        count *= d;
    }
    const std::uint64_t dataStart = headerStart + headerLength;
    if (count * static_cast<std::uint64_t>(width) != data.size() - dataStart) {
        error = "the array's data does not match its shape";
        return false;
    }
    const char* raw = data.data() + dataStart;
    if (real) {
        width == 8 ? convert<double>(raw, count, array.values)
                   : convert<float>(raw, count, array.values);
    } else {
        width == 8 ? convert<std::int64_t>(raw, count, array.values)
                   : convert<std::int32_t>(raw, count, array.values);
    }
    array.integral = !real;
    if (order == "True" && array.shape.size() == 2) {  // column-major: transpose to rows
        const std::uint64_t rows = array.shape[0], cols = array.shape[1];
        std::vector<double> c(array.values.size());
        for (std::uint64_t r = 0; r < rows; ++r)
            for (std::uint64_t k = 0; k < cols; ++k) c[r * cols + k] = array.values[k * rows + r];
        array.values.swap(c);
    } else if (order != "False" && order != "True") {
        error = "fortran_order " + std::string(order);
        return false;
    } else if (order == "True" && array.shape.size() > 2) {
        error = "a Fortran-order array of more than two dimensions";
        return false;
    }
    return true;
}

bool parseNpz(std::string_view data, std::map<std::string, NpyArray>& arrays, std::string& error) {
    // The end-of-directory record: the last signature within the comment's reach of the end.
    if (data.size() < kZipEndRecordSize) {
        error = "not a zip archive";
        return false;
    }
    std::uint64_t end = data.size() - kZipEndRecordSize;
    const std::uint64_t lowest = end > kZipMaxComment ? end - kZipMaxComment : 0;
    for (;; --end) {
        std::uint32_t sig = 0;
        readAt(data, end, sig);
        if (sig == kZipEndOfDirectory) break;
        if (end == lowest) {
            error = "not a zip archive (no end-of-directory record)";
            return false;
        }
    }
    std::uint16_t entries16 = 0;
    std::uint32_t dirSize32 = 0, dirOffset32 = 0;
    readAt(data, end + 10, entries16);
    readAt(data, end + 12, dirSize32);
    readAt(data, end + 16, dirOffset32);
    std::uint64_t entries = entries16, dirOffset = dirOffset32;
    std::uint32_t locatorSig = 0;
    if (end >= 20 && readAt(data, end - 20, locatorSig) && locatorSig == kZip64Locator) {
        std::uint64_t record = 0;
        std::uint32_t sig = 0;
        if (!readAt(data, end - 20 + 8, record) || !readAt(data, record, sig) ||
            sig != kZip64EndOfDirectory || !readAt(data, record + 32, entries) ||
            !readAt(data, record + 48, dirOffset)) {
            error = "a damaged ZIP64 directory record";
            return false;
        }
    }
    std::uint64_t at = dirOffset;
    for (std::uint64_t e = 0; e < entries; ++e) {
        std::uint32_t sig = 0, crc = 0, size32 = 0, packed32 = 0, local32 = 0;
        std::uint16_t method = 0, nameLength = 0, extraLength = 0, commentLength = 0;
        if (!readAt(data, at, sig) || sig != kZipDirectoryEntry || !readAt(data, at + 10, method) ||
            !readAt(data, at + 16, crc) || !readAt(data, at + 20, packed32) ||
            !readAt(data, at + 24, size32) || !readAt(data, at + 28, nameLength) ||
            !readAt(data, at + 30, extraLength) || !readAt(data, at + 32, commentLength) ||
            !readAt(data, at + 42, local32) || at + 46 + nameLength + extraLength > data.size()) {
            error = "a damaged zip directory (entry " + std::to_string(e + 1) + ")";
            return false;
        }
        std::string name(data.substr(at + 46, nameLength));
        std::uint64_t size = size32, packed = packed32, local = local32;
        // ZIP64 sizes and offset, present for each field stored as 0xffffffff, in this order.
        for (std::uint64_t x = at + 46 + nameLength; x + 4 <= at + 46 + nameLength + extraLength;) {
            std::uint16_t id = 0, length = 0;
            readAt(data, x, id);
            readAt(data, x + 2, length);
            if (id == kZip64ExtraId) {
                std::uint64_t field = x + 4;
                if (size32 == 0xffffffffu && readAt(data, field, size)) field += 8;
                if (packed32 == 0xffffffffu && readAt(data, field, packed)) field += 8;
                if (local32 == 0xffffffffu) readAt(data, field, local);
            }
            x += 4 + length;
        }
        at += 46 + static_cast<std::uint64_t>(nameLength) + extraLength + commentLength;

        std::uint16_t localName = 0, localExtra = 0;
        if (!readAt(data, local, sig) || sig != kZipLocalHeader ||
            !readAt(data, local + 26, localName) || !readAt(data, local + 28, localExtra)) {
            error = name + ": a damaged zip entry header";
            return false;
        }
        const std::uint64_t start = local + 30 + localName + localExtra;
        if (start > data.size() || packed > data.size() - start) {
            error = name + ": the entry runs past the end of the archive";
            return false;
        }
        std::string inflated;
        std::string_view image;
        if (method == kZipStored) {
            if (packed != size) {
                error = name + ": a stored entry whose sizes differ";
                return false;
            }
            image = data.substr(start, packed);
        } else if (method == kZipDeflated) {
            if (!inflateEntry(data.substr(start, packed), size, inflated, error)) {
                error = name + ": " + error;
                return false;
            }
            image = inflated;
        } else {
            error = name + ": compression method " + std::to_string(method) +
                    " (stored and deflated entries are read)";
            return false;
        }
        if (crc32Of(image) != crc) {
            error = name + ": the entry's checksum does not match (a damaged archive)";
            return false;
        }
        NpyArray array;
        if (!parseNpy(image, array, error)) {
            error = name + ": " + error;
            return false;
        }
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".npy") == 0)
            name.resize(name.size() - 4);
        arrays[name] = std::move(array);
    }
    return true;
}

}  // namespace qvr::cli
