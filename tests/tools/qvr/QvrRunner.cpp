#include "QvrRunner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string quote(const std::string& arg) {
    std::string q(1, '\'');
    for (char c : arg) {
        if (c == '\'') q.append("'\\''");
        else q.push_back(c);
    }
    q.push_back('\'');
    return q;
}

}  // namespace

std::vector<std::string> QvrResult::errLines() const { return splitLines(err); }

QvrResult runQvr(const std::vector<std::string>& args, const std::string& scratch) {
    const std::string outPath = scratch + "/qvr.stdout";
    const std::string errPath = scratch + "/qvr.stderr";
    std::string command = quote(QVR_EXE);
    for (const std::string& a : args) command.append(" ").append(quote(a));
    command.append(" </dev/null >").append(quote(outPath)).append(" 2>").append(quote(errPath));
    const int status = std::system(command.c_str());
    QvrResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(outPath);
    r.err = readText(errPath);
    return r;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::vector<std::string>> readCsv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(readText(path))) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        rows.push_back(fields);
    }
    return rows;
}
