#pragma once
// What differs between two configurations, each a project folder, a bank
// file or a composed firmware file: the images apart from their build date
// and time, in words, and between two projects their mnemonics too.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/config_image.h"

namespace fabrion {

// One side of a comparison.
struct Configuration {
  ConfigImage image{};
  // A project's mnemonics by row (var.xml's order); nothing for a file.
  std::optional<std::vector<std::string>> mnemonics;
  // A project's TIME_OUT and OFFSET as its document holds them, which the
  // image's 16-bit fields may have cut (70000 reaches the device as 4464).
  std::optional<std::int32_t> timeOut;
  std::optional<std::int32_t> dataOffset;
};

// A project folder's configuration (the image its documents build) or a
// file's (ReadConfigImageFile). Throws Error when it cannot be read, and
// for a project whose documents do not build a complete image.
Configuration ReadConfiguration(std::string_view path);

// True when the images are the same apart from their build date and time.
bool SameConfiguration(const ConfigImage& a, const ConfigImage& b);

struct Differences {
  // One line per difference, A's value before B's: the general parameters
  // ("IP address 192.168.1.10 → 192.168.1.11"), then the rows ("Row 3
  // added: ...", "Row 4: RTU address 100 → 200, points 10 → 12", "Row 5,
  // now row 6: ...", "Row 9 removed: ..."), rows aligned so that a row
  // inserted or deleted in between is named once and a row edited in place
  // is named with the fields that changed. Empty exactly when
  // SameConfiguration.
  std::vector<std::string> configuration;
  // Between two projects: "Row 4: mnemonic "Pump" → "Pump 1"" for rows
  // matched above; they are not part of the configuration.
  std::vector<std::string> mnemonics;
};

Differences CompareConfigurations(const Configuration& a, const Configuration& b);

}  // namespace fabrion
