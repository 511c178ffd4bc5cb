// Result reader: reads result items from a binary result file (.k7t).
//
// BeginReading opens and checks the whole file; the item values are then fetched by item id.
#ifndef CQVR3DRESULTREADER_MANIPULATOR_H
#define CQVR3DRESULTREADER_MANIPULATOR_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CQVR3DResultReader_Manipulator {
public:
    CQVR3DResultReader_Manipulator();
    virtual ~CQVR3DResultReader_Manipulator();
    CQVR3DResultReader_Manipulator(const CQVR3DResultReader_Manipulator&) = delete;
    CQVR3DResultReader_Manipulator& operator=(const CQVR3DResultReader_Manipulator&) = delete;

    // 0: open and checked; -1 cannot be opened or read; -2 not a result file; -3 damaged;
    // -4 a text result file. `second` is unused.
    int BeginReading(const char* fileName, const char* second);
    std::int64_t GetResultVersion();
    // analysis type, solver version, project, run, date (buffers of at least 129, 129 and 65
    // bytes), time step count, item count. False when no file is open.
    bool GetHeadInfo(int& analysisType, int& solverVersion, char* project, char* run,
                     char* date, int& timeSteps, int& itemCount);
    // Per item in table order: id, name and unit (buffers of at least 65 bytes), location
    // (0 per node, 1 per element). False when no file is open.
    bool GetResultItemInfo(int* ids, char** names, char** units, int* locations);
    std::int64_t GetMaxCavityNode() const;
    std::int64_t GetMaxCavityElem() const;
    // values[1..count] of item `id`; false (nothing written) for an unknown id.
    bool GetResultItem(int id, float* values);
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
    int location = 1;          // 0 per cavity node, 1 per cavity element
    std::string name;          // at most 63 characters
    std::string unit;          // at most 63 characters
    std::vector<float> values; // values[0] is cavity node/element 1
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
bool write(const std::string& path, const ResultFile& file, std::string* error = nullptr);
// Reads the whole file through the reader; false with the reader's reason.
bool read(const std::string& path, ResultFile& file, std::string* error = nullptr);

}  // namespace k7t

#endif
