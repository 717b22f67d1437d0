// The MSHA checksum check on arbitrary bytes: it reads files users hand it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "results/MshaVerify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)orvo::VerifyMshaFile(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
