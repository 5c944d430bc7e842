// Top-view engine (type 0) on four camera records.
#include "fuzz_multiview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    crFuzzMultiview(0, 4, in);
    return 0;
}
