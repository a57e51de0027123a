#pragma once
// What a flash tool would tell about a composed firmware file: the result
// of its checks and the configuration image in words.
#include <string>

#include "readback/firmware_check.h"

namespace fabrion {

// The checks, their verdict and, when bank-1 data is present, the image
// described; lines end in "\n".
std::string FirmwareReportText(const FirmwareCheck& check);

}  // namespace fabrion
