#pragma once
// The call of the flash tool: its name and its one parameter string, a
// double quote, the firmware file's full path, a double quote, the byte 0xB6
// and the COM port's index ("0" for COM1 to "7" for COM8).
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

inline constexpr std::string_view kFlashToolName = "Burnline.exe";
inline constexpr char kFlashToolSeparator = '\xB6';
inline constexpr int kFlashToolPorts = 8;

std::string FlashToolParameters(std::string_view firmwarePath, int portIndex);

// "COM1" for index 0.
std::string PortName(int portIndex);

struct FlashToolCall {
  std::string firmwarePath;
  int portIndex = 0;
};

// The flash tool's reading of its parameter string. The separator may also
// arrive as the UTF-8 pilcrow (C2 B6) where a shell re-encoded it. Nothing
// and a problem text for a string of another form.
struct FlashToolCallReading {
  std::optional<FlashToolCall> call;
  std::string problem;
};
FlashToolCallReading ReadFlashToolParameters(std::string_view parameters);

}  // namespace fabrion
