// libFuzzer target: arbitrary bytes as a request and the bytes a device sends back.
// The properties are those of fuzz/fuzz_readers.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fabrion::fuzz::CheckModbusAnswer(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
