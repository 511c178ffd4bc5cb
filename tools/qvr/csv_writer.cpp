#include "csv_writer.h"

#include "output_file.h"

namespace qvr::cli {

void writeProfilesCsv(const std::string& path, const ExtractionRun& run) {
    OutputFile out(path);
    out.write("node,x,y,z,layer,depth");
    for (const char* name : kComponentNames) out.printf(",%s", name);
    out.write("\n");
    for (const NodeProfile& p : run.profiles) {
        for (std::size_t j = 0; j < p.depth.size(); ++j) {
            out.printf("%d,%.10g,%.10g,%.10g,%zu", p.fileNode, p.x, p.y, p.z, j + 1);
            if (!p.crossed) {
                out.write(",nan,nan,nan,nan,nan,nan,nan\n");
                continue;
            }
            out.printf(",%.10g", p.depth[j]);
            for (double v : p.value[j]) out.printf(",%.10g", v);
            out.write("\n");
        }
    }
    out.close();
}

}  // namespace qvr::cli
