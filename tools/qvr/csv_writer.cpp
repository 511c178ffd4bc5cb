#include "csv_writer.h"

#include "output_file.h"

namespace qvr::cli {

namespace {
constexpr int kSignificant = 10;  // digits per value: float-exact, short enough to read
}  // namespace

void writeProfilesCsv(const std::string& path, const ExtractionRun& run) {
    OutputFile out(path);
    out.write("node,x,y,z,layer,depth");
    for (const char* name : kComponentNames) out.printf(",%s", name);
    out.write("\n");
    for (const NodeProfile& p : run.profiles) {
        for (std::size_t j = 0; j < p.depth.size(); ++j) {
            out.integer(p.fileNode);
            for (double c : {p.x, p.y, p.z}) {
                out.put(',');
                out.real(c, kSignificant);
            }
            out.put(',');
            out.integer(static_cast<long long>(j + 1));
            if (!p.crossed) {
                out.write(",nan,nan,nan,nan,nan,nan,nan\n");
                continue;
            }
            out.put(',');
            out.real(p.depth[j], kSignificant);
            for (double v : p.value[j]) {
                out.put(',');
                out.real(v, kSignificant);
            }
            out.write("\n");
        }
    }
    out.close();
}

}  // namespace qvr::cli
