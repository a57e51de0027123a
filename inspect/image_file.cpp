#include "inspect/image_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "inspect/firmware_check.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

[[noreturn]] void NoConfiguration(std::string_view path, const std::string& why) {
  throw Error("\"" + std::string(path) + "\" holds no complete configuration: " + why + ".");
}

}  // namespace

ConfigImage ReadConfigImageFile(std::string_view path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(OpenRegularFile(path), &std::fclose);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(ToFsPath(path), ec);
  if (ec)
    throw Error(CannotReadFileText(path, ec.value()));

  ConfigImage image{};
  if (size == kConfigImageSize) {
    if (std::fread(image.data(), 1, image.size(), in.get()) != image.size())
      throw Error(CannotReadFileText(path, errno));
    return image;
  }
  if (std::fgetc(in.get()) != 'S')
    NoConfiguration(path, "it holds no S-records, and a bank file holds 16384 bytes, not " +
                              std::to_string(size));
  in.reset();

  const FirmwareCheck check = CheckFirmwareFile(path);
  if (!check.firstBadLine.empty()) NoConfiguration(path, check.firstBadLine);
  if (!check.firstConflict.empty()) NoConfiguration(path, check.firstConflict);
  if (check.bankRecordsPresent != kBankRecordCount)
    NoConfiguration(path, "it holds " + std::to_string(check.bankRecordsPresent) + " of the " +
                              std::to_string(kBankRecordCount) +
                              " records of bank 1 (0x388000 to 0x38BFFF), the first missing at " +
                              PrefixedHex(check.firstMissingRecord, 6));
  return check.bank;
}

}  // namespace fabrion
