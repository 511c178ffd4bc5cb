// profiles.csv in its long and wide layouts (declared in output_writers.h).
#include <string>

#include "output_file.h"
#include "output_writers.h"

namespace qvr::cli {

namespace {

// One row at a time, numbers appended through formatSignificant.
class CsvRow {
public:
    explicit CsvRow(int digits) : digits_(digits) {}
    void clear() { text_.clear(); }
    void integer(long long v) {
        separate();
        text_ += std::to_string(v);
    }
    void real(double v) {
        separate();
        char digits[kNumberTextSize];
        text_.append(digits, formatSignificant(digits, v, digits_));
    }
    void text(const char* t) {
        separate();
        text_ += t;
    }
    void end(OutputFile& out) {
        text_ += '\n';
        out.write(text_);
        text_.clear();
    }

private:
    void separate() {
        if (!text_.empty()) text_ += ',';
    }
    int digits_;
    std::string text_;
};

void writeLong(OutputFile& out, const ExtractionRun& run, CsvRow& row) {
    out.write("node,x,y,z,layer,depth,wall");
    for (const char* name : kComponentNames) out.printf(",%s", name);
    out.write("\n");
    for (const NodeProfile& p : run.profiles) {
        for (std::size_t j = 0; j < p.depth.size(); ++j) {
            row.integer(p.fileNode);
            row.real(p.x);
            row.real(p.y);
            row.real(p.z);
            row.integer(static_cast<long long>(j + 1));
            if (!p.crossed) {
                row.text("nan,0,nan,nan,nan,nan,nan,nan");
            } else {
                row.real(p.depth[j]);
                row.integer(p.wall ? 1 : 0);
                for (double v : p.value[j]) row.real(v);
            }
            row.end(out);
        }
    }
}

void writeWide(OutputFile& out, const ExtractionRun& run, CsvRow& row) {
    out.write("node,x,y,z,wall,thickness");
    for (int j = 1; j <= run.layers; ++j)
        for (const char* name : kComponentNames) out.printf(",%s_%d", name, j);
    out.write("\n");
    for (const NodeProfile& p : run.profiles) {
        row.integer(p.fileNode);
        row.real(p.x);
        row.real(p.y);
        row.real(p.z);
        row.integer(p.crossed && p.wall ? 1 : 0);
        if (p.crossed)
            row.real(p.thickness);
        else
            row.text("nan");
        for (int j = 0; j < run.layers; ++j) {
            const auto at = static_cast<std::size_t>(j);
            for (std::size_t k = 0; k < kComponentCount; ++k) {
                if (p.crossed && at < p.value.size())
                    row.real(p.value[at][k]);
                else
                    row.text("nan");
            }
        }
        row.end(out);
    }
}

}  // namespace

long long csvRows(const ExtractionRun& run, bool wide) {
    const auto nodes = static_cast<long long>(run.profiles.size());
    return (wide ? nodes : nodes * run.layers) + 1;
}

CsvForm resolveCsvForm(CsvForm requested, long long rows) {
    if (requested != CsvForm::Auto) return requested;
    return rows > kSpreadsheetRows ? CsvForm::Gzip : CsvForm::Plain;
}

void writeProfilesCsv(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options) {
    OutputFile out(path, options.csv == CsvForm::Gzip ? Framing::Gzip : Framing::Plain);
    CsvRow row(options.csvDigits);
    if (options.wideCsv)
        writeWide(out, run, row);
    else
        writeLong(out, run, row);
    out.close();
}

}  // namespace qvr::cli
