// libFuzzer target: arbitrary bytes as pargen.xml.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_documents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fabrion::fuzz::CheckGeneralParameters(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
