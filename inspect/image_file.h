#pragma once
// The configuration image a gateway gets, read out of a composed firmware
// file (S-records) or a bank file (bank1.bin).
#include <string_view>

#include "firmware/config_image.h"

namespace fabrion {

// The image in the file at path. A file of 16384 bytes is a bank file; any
// other is read as S-records, and must hold all 512 records of bank 1, no
// line that fails as a record (a bad checksum, a malformed line) and no two
// values for one byte of bank 1 (the gateway's would be unknown). Throws
// Error "<path>" holds no complete configuration: <why>.", or the system's
// text when the file cannot be opened or read.
ConfigImage ReadConfigImageFile(std::string_view path);

}  // namespace fabrion
