#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <string>
#include <string_view>

namespace fabrion {

// "Cannot create file "<path>". <system text>": the text of a failed write.
std::string CannotCreateFileText(std::string_view path, int error_number);

// Writes bytes to a temporary file beside path and renames it over path.
// A target that exists but is read-only (no owner write bit, as the Windows
// read-only attribute) or a folder that is missing fails before anything is
// written; on any failure the old file is left exactly as it was and Error
// is thrown with CannotCreateFileText.
void WriteFileAtomically(std::string_view path, std::string_view bytes);

}  // namespace fabrion
