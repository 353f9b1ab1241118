// libFuzzer entry: arbitrary server bytes against the FTP client's parsers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FtpFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tramex::RunFtpFuzzInput(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
