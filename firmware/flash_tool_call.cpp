#include "firmware/flash_tool_call.h"

namespace fabrion {

std::string FlashToolParameters(std::string_view firmwarePath, int portIndex) {
  std::string parameters = "\"";
  parameters += firmwarePath;
  parameters += '"';
  parameters += kFlashToolSeparator;
  parameters += std::to_string(portIndex);
  return parameters;
}

std::string PortName(int portIndex) { return "COM" + std::to_string(portIndex + 1); }

FlashToolCallReading ReadFlashToolParameters(std::string_view parameters) {
  FlashToolCallReading reading;
  const auto fail = [&](const char* problem) {
    reading.problem = problem;
    return reading;
  };
  if (parameters.empty() || parameters.front() != '"')
    return fail("the parameter does not start with a double quote");
  const std::size_t close = parameters.find('"', 1);
  if (close == std::string_view::npos) return fail("the file's path has no closing double quote");
  if (close == 1) return fail("the file's path is empty");
  std::string_view rest = parameters.substr(close + 1);
  if (!rest.empty() && rest.front() == kFlashToolSeparator)
    rest.remove_prefix(1);
  else if (rest.substr(0, 2) == "\xC2\xB6")
    rest.remove_prefix(2);
  else
    return fail("the path is not followed by the separator byte B6");
  if (rest.size() != 1 || rest.front() < '0' || rest.front() >= '0' + kFlashToolPorts)
    return fail("the port index is not one of 0 to 7");
  reading.call = FlashToolCall{std::string(parameters.substr(1, close - 1)), rest.front() - '0'};
  return reading;
}

}  // namespace fabrion
