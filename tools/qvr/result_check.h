// The header and item table of a result file, and the checks a fibre result must pass before
// the extraction tool reads it.
#ifndef QVR_CLI_RESULT_CHECK_H
#define QVR_CLI_RESULT_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

namespace qvr::cli {

struct ResultItemInfo {
    int id = 0;
    int location = 0;          // 0 per cavity node, 1 per cavity element
    std::string name, unit;
};

struct ResultHeader {
    std::int64_t resultVersion = 0;
    int analysisType = 0, solverVersion = 0, timeSteps = 0;
    std::string project, run, date;
    std::int64_t nodeCount = 0, elemCount = 0;
    std::vector<ResultItemInfo> items;
};

// Opens the file with the result reader. Throws CliError (file) with the reader's reason.
ResultHeader readResultHeader(const std::string& path);

// Throws CliError (file) unless the file has one value per cell of a mesh of `cells` cells for
// each of the six fibre-orientation items (ids 4, 5, 6, 9, 10, 11).
void checkFiberResult(const ResultHeader& header, long long cells, const std::string& path);

}  // namespace qvr::cli

#endif
