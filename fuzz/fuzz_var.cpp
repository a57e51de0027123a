// libFuzzer target: arbitrary bytes as var.xml.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_documents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fabrion::fuzz::CheckTable(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
