#include "readback/image_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "firmware/srecord_line.h"
#include "readback/firmware_check.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

[[noreturn]] void NoConfiguration(std::string_view path, const std::string& why) {
  throw Error("\"" + std::string(path) + "\" holds no complete configuration: " + why + ".");
}

// The text's first line (up to LF, without a CR before it) is a whole S-record.
bool StartsWithSRecordLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return ReadSRecordLine(line).record.has_value();
}

}  // namespace

ConfigImage ReadConfigImageFile(std::string_view path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(OpenRegularFile(path), &std::fclose);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(ToFsPath(path), ec);
  if (ec)
    throw Error(CannotReadFileText(path, ec.value()));

  ConfigImage image{};
  const std::size_t got = std::fread(image.data(), 1, image.size(), in.get());
  if (std::ferror(in.get())) throw Error(CannotReadFileText(path, errno));
  // A firmware file cut to the bank's size is still S-record text: its first
  // line decides, not its size.
  if (size == kConfigImageSize && got == image.size() &&
      !StartsWithSRecordLine({reinterpret_cast<const char*>(image.data()), got}))
    return image;
  if (got == 0 || image[0] != 'S')
    NoConfiguration(path, "it holds no S-records, and a bank file holds 16384 bytes, not " +
                              std::to_string(size));
  in.reset();

  const FirmwareCheck check = CheckFirmwareFile(path, CheckScope::kUpToFirstBadLine);
  if (!check.firstBadLine.empty()) NoConfiguration(path, check.firstBadLine);
  if (!check.firstAfterEnd.empty()) NoConfiguration(path, check.firstAfterEnd);
  if (!check.firstConflict.empty()) NoConfiguration(path, check.firstConflict);
  if (check.bankRecordsPresent != kBankRecordCount)
    NoConfiguration(path, "it holds " + std::to_string(check.bankRecordsPresent) + " of the " +
                              std::to_string(kBankRecordCount) +
                              " records of bank 1 (0x388000 to 0x38BFFF), the first missing at " +
                              PrefixedHex(check.firstMissingRecord, 6));
  return check.bank;
}

}  // namespace fabrion
