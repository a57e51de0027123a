#pragma once
// Composed firmware files as the tests need them, built record by record.
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/config_image.h"
#include "readback/firmware_check.h"
#include "firmware/srecord_line.h"

namespace fabrion::test {

// The lines of a composed file: a header, code below the window, the 512
// bank-1 records of image, an S9 end record.
inline std::vector<std::string> ComposedFirmwareLines(const ConfigImage& image) {
  std::vector<std::string> lines;
  lines.push_back(FormatSRecordLine('0', 0, {'d', 'e', 'm', 'o'}));
  for (std::uint32_t at = 0x380000; at < 0x380100; at += 32)
    lines.push_back(FormatSRecordLine('2', at, std::vector<std::uint8_t>(32, 0x4E)));
  for (int k = 0; k < kBankRecordCount; ++k) {
    std::vector<std::uint8_t> data(image.begin() + 32 * k, image.begin() + 32 * k + 32);
    lines.push_back(FormatSRecordLine('2', kBank1WindowStart + 32 * k, data));
  }
  lines.push_back("S9030000FC");
  return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// An image with the general parameters a user would enter and two rows.
inline ConfigImage SampleImage() {
  ConfigImage image{};
  const auto put = [&image](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) image[at++] = b;
  };
  put(0, {3, 100, 0, 192, 168, 1, 20, 0, 0, 10});      // Holding Register, RTU 100, 10 points
  put(10, {1, 0x10, 0x27, 10, 0, 0, 7, 0xE8, 0x03, 1});  // Coil Status, RTU 10000 at 1000, 1 point
  put(15000, {192, 168, 1, 10, 255, 255, 255, 0, 192, 168, 1, 1, 0xF6, 0x01});
  put(15014, {'k', 'o', 'm', 'b', 'r', 'i'});
  put(15028, {'d', 'r', 'e', 'v', 'a', 'n', 't'});
  put(15042, {3, 2, 0xE8, 0x03, 0x05, 0x00, 1});
  put(15049, {0xAD, 0xED, 0x1A, 0x4E});  // 13:45:58, 9 December 2026
  put(15053, {247});
  return image;
}

}  // namespace fabrion::test
