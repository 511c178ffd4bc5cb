// libFuzzer entry point; QVR_FUZZ_TARGET names the harness function this executable runs.
#include <cstdio>
#include <cstdlib>

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = qvr::fuzz::QVR_FUZZ_TARGET(data, size);
    if (!fault.empty()) {
        // A broken guarantee is a finding like a crash: stop so libFuzzer keeps the input.
        std::fprintf(stderr, "fuzz check failed: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
