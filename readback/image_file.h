#pragma once
// The configuration image a gateway gets, read out of a composed firmware
// file (S-records) or a bank file (bank1.bin).
#include <string_view>

#include "firmware/config_image.h"

namespace fabrion {

// The image in the file at path. A file that starts with an S-record line is
// read as S-records whatever its size, and must hold all 512 records of bank
// 1, no line that fails as a record (a bad checksum, a malformed line; the
// reading stops at the first), no data record after the end record and no
// two values for one byte of bank 1 (the gateway's would be unknown). Any
// other file of 16384 bytes is a bank file. Throws
// Error "<path>" holds no complete configuration: <why>.", or the system's
// text when the file cannot be opened or read.
ConfigImage ReadConfigImageFile(std::string_view path);

}  // namespace fabrion
