// Splitting one joined command line into up to six '*'-terminated fields.
#include <cstring>
#include <string>

#include "QVROptKer.h"

int CQVROptKer::argumentHandle(int argc, char** argv, char* out1, char* out2, char* out3,
                               char* out4, char* out5, char* out6) {
    if (argc < 1 || argv == nullptr || argv[0] == nullptr) return 1;
    std::string text = argv[0];
    for (int i = 1; i < argc; ++i) {
        text += ' ';
        if (argv[i] != nullptr) text += argv[i];
    }

    char* const outputs[6] = {out1, out2, out3, out4, out5, out6};
    std::size_t start = 0;
    int field = 0;
    for (std::size_t star = text.find('*'); star != std::string::npos;
         star = text.find('*', start)) {
        if (field < 6 && outputs[field] != nullptr) {
            const std::size_t length = star - start;
            std::memcpy(outputs[field], text.data() + start, length);
            outputs[field][length] = '\0';
        }
        ++field;
        start = star + 1;
    }
    return 1;
}
