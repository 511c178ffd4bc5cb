// Prints the profiles `qvr extract` computes, every number as a C99 hexadecimal float so that
// the Python tests can compare the package's profiles with the host's bit for bit.
//
//   qvr_profile_dump MESH RESULTS LAYERS exact|centroid
//
// One line per skin node: file node number, thickness, then per sample point the depth and the
// six components (a11 a22 a33 a12 a23 a13).
#include <cstdio>
#include <exception>
#include <string>

#include "extraction.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: qvr_profile_dump MESH RESULTS LAYERS exact|centroid\n");
        return 2;
    }
    try {
        qvr::cli::ExtractRequest request;
        request.meshPath = argv[1];
        request.resultPath = argv[2];
        request.layers = std::stoi(argv[3]);
        request.mode = std::string(argv[4]) == "centroid" ? qvr::cli::ThicknessMode::CentroidPlane
                                                          : qvr::cli::ThicknessMode::Exact;
        request.progress = false;
        const qvr::cli::ExtractionRun run = qvr::cli::runExtraction(request);
        for (const qvr::cli::NodeProfile& p : run.profiles) {
            std::printf("%d %a", p.fileNode, p.thickness);
            for (std::size_t j = 0; j < p.depth.size(); ++j) {
                std::printf(" %a", p.depth[j]);
                for (double v : p.value[j]) std::printf(" %a", v);
            }
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
