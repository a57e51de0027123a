#pragma once
// The configuration image rendered as C source (bankg.c).
#include <string>
#include <string_view>

#include "firmware/config_image.h"

namespace fabrion {

// projectDir/bin/bankg.c.
std::string BankSourcePath(std::string_view projectDir);

// The 1027 CR LF lines of bankg.c for this image (always 117824 bytes).
std::string BankSourceText(const ConfigImage& image);

// Writes projectDir/bin/bankg.c. Throws Error "Cannot create file "%s". %s"
// when the file cannot be created.
void WriteBankSource(std::string_view projectDir, const ConfigImage& image);

}  // namespace fabrion
