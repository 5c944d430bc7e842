// The rig-file reader on arbitrary text. A bad file must end in a RigError;
// any other exception, a crash or a sanitizer report is a finding, and so is
// a rig that reads but whose written form does not read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "camrig_toolkit/rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    camrig::Rig rig;
    try {
        rig = camrig::parseRig(text, "fuzz.yaml");
    } catch (const camrig::RigError&) {
        return 0;
    }
    camrig::parseRig(camrig::formatRig(rig), "written.yaml");  // escapes, and so aborts, when it fails
    return 0;
}
