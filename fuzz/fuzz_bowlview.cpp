// Bowl-view engines (types 1 and 2) on four camera records and the virtual camera's.
#include "fuzz_multiview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int type = 1 + (in.take<uint8_t>() & 1);
    crFuzzMultiview(type, 5, in);
    return 0;
}
