#pragma once
// SHA-256 (FIPS 180-4) of files the report names: bank1.bin and the composed
// firmware file, so a printed sheet says which files it describes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fabrion {

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view bytes);
  // The digest as 64 lower-case hexadecimal digits; the object is spent.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes
};

std::string Sha256Hex(std::string_view bytes);

// The digest of the file at path, read in chunks. Throws Error with the
// system's text when it cannot be opened or read.
std::string Sha256HexOfFile(std::string_view path);

}  // namespace fabrion
