// libFuzzer target: arbitrary bytes as the firmware or bank file that recover and diff read.
// The properties are those of fuzz/fuzz_readers.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_folder.h"
#include "fuzz/fuzz_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fabrion::fuzz::RunFolder folder("image");
  fabrion::fuzz::CheckImageFile(std::string_view(reinterpret_cast<const char*>(data), size), folder.str());
  return 0;
}
