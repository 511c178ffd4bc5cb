// Result reader: reads result items from a binary result file (.k7t).
//
// BeginReading opens and checks the whole file; the item values are then fetched by item id.
// Nothing is written to standard output or standard error: the reason of a failure is kept for
// GetLastError. The only exception that can leave a member is std::bad_alloc, from
// BeginReading, when a file that passed every check does not fit in memory.
#ifndef CQVR3DRESULTREADER_MANIPULATOR_H
#define CQVR3DRESULTREADER_MANIPULATOR_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace k7t {

// Results of BeginReading.
constexpr int kOpened = 0;           // open and checked
constexpr int kCannotRead = -1;      // missing, a directory or other non-regular file, no name,
                                     // unreadable
constexpr int kNotResultFile = -2;   // does not start with K7TB and is not text; also an empty file
constexpr int kDamaged = -3;         // starts with K7TB, but the layout version, the counts, the
                                     // item table or the file's length do not agree
constexpr int kTextResultFile = -4;  // no K7TB, and the first 64 bytes (or all of a shorter
                                     // file) are printable ASCII, tabs, CR or LF

// Buffer sizes a caller of GetHeadInfo and GetResultItemInfo provides: the longest text of each
// field (project and run 128 bytes, date 64, item names and units 64) and its NUL.
constexpr std::size_t kHeadTextBufferBytes = 129;  // project, run; the date needs only 65
constexpr std::size_t kItemTextBufferBytes = 65;   // item name, item unit

}  // namespace k7t

class CQVR3DResultReader_Manipulator {
public:
    CQVR3DResultReader_Manipulator();
    virtual ~CQVR3DResultReader_Manipulator();
    CQVR3DResultReader_Manipulator(const CQVR3DResultReader_Manipulator&) = delete;
    CQVR3DResultReader_Manipulator& operator=(const CQVR3DResultReader_Manipulator&) = delete;

    // 0: open and checked; -1 cannot be opened or read; -2 not a result file; -3 damaged;
    // -4 a text result file (see the k7t:: codes above). `second` is unused.
    // An empty file gives -2: it holds nothing that makes it a text result file.
    // A file shorter than 4 bytes cannot hold the magic, so it is judged text (-4) or not (-2)
    // by its bytes alone.
    // On success the file replaces whatever this object had open. On failure the object keeps
    // what it had (an earlier file stays readable) and GetLastError tells why.
    int BeginReading(const char* fileName, const char* second);
    // 0 when no file is open.
    std::int64_t GetResultVersion();
    // analysis type, solver version, project, run, date (buffers of at least 129, 129 and 65
    // bytes), time step count, item count. False when no file is open, and nothing is written.
    // Texts are copied NUL-terminated; a null text pointer is skipped.
    bool GetHeadInfo(int& analysisType, int& solverVersion, char* project, char* run, char* date,
                     int& timeSteps, int& itemCount);
    // Per item in table order: id, name and unit (buffers of at least 65 bytes), location
    // (0 per node, 1 per element). False when no file is open. Any null array, or null entry
    // of `names` or `units`, is skipped; texts are copied NUL-terminated.
    bool GetResultItemInfo(int* ids, char** names, char** units, int* locations);
    // Cavity node and element counts; 0 when no file is open.
    std::int64_t GetMaxCavityNode() const;
    std::int64_t GetMaxCavityElem() const;
    // values[1..count] of item `id`, count being the node or element count by the item's
    // location; values[0] is left alone. False (nothing written) for an unknown id, a null
    // `values` or when no file is open.
    bool GetResultItem(int id, float* values);
    // Releases the file read by BeginReading. 0, or -1 when no file was open.
    int EndReading();

    // Text of the last failure of BeginReading, "" when none.
    const char* GetLastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whole-file access for tools and tests.
namespace k7t {

struct ResultItem {
    int id = 0;
    int location = 1;           // 0 per cavity node, 1 per cavity element
    std::string name;           // at most 63 characters
    std::string unit;           // at most 63 characters
    std::vector<float> values;  // values[0] is cavity node/element 1
};

struct ResultFile {
    std::int64_t resultVersion = 1;
    int analysisType = 0;
    int solverVersion = 0;
    std::string project, run, date;  // at most 127, 127 and 63 characters
    int timeSteps = 0;
    std::int64_t nodeCount = 0;
    std::int64_t elemCount = 0;
    std::vector<ResultItem> items;
};

// Ids and names of the six fibre-orientation items (a11, a22, a33, a12, a13, a23).
constexpr int kFiberItemIds[6] = {4, 5, 6, 9, 10, 11};
extern const char* const kFiberItemNames[6];

// Writes the file; false (with a reason) when it cannot be written or the content is
// inconsistent (value counts not matching the locations, duplicate ids, texts too long).
// Also refused: a location other than 0 or 1, a node or element count outside 0..2^31-2, and
// texts holding a NUL character. The file is written under a temporary name beside `path` and
// renamed over it when complete: refused content, a failed or an interrupted write leave `path`
// as it was.
bool write(const std::string& path, const ResultFile& file, std::string* error = nullptr);
// Reads the whole file through the reader; false with the reader's reason, `file` untouched.
bool read(const std::string& path, ResultFile& file, std::string* error = nullptr);

}  // namespace k7t

#endif
