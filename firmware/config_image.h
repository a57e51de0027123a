#pragma once
// The 16384-byte configuration image of bank 1: the translate table and the
// general parameters at fixed offsets, with the build's date and time.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fabrion {

class Clock;

inline constexpr std::size_t kConfigImageSize = 16384;
using ConfigImage = std::array<std::uint8_t, kConfigImageSize>;

// How a build ended. An incomplete build leaves the image as far as it got;
// reason then names the document, the element or row and attribute, and why.
struct BuildOutcome {
  bool complete = true;
  std::string reason;
};

// Fills image from projectDir's var.xml and pargen.xml; never throws.
BuildOutcome BuildConfigImage(std::string_view projectDir, Clock& clock, ConfigImage& image);

// Writes the image to projectDir/bin/bank1.bin. Throws Error when the file
// cannot be created or written.
void WriteBankBinary(std::string_view projectDir, const ConfigImage& image);

}  // namespace fabrion
