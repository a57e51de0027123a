#pragma once
// The desktop shell: web addresses and the start of other programs.
#include <string>

namespace fabrion {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the address with the desktop's default handler, without waiting.
  // Returns false when no handler could be started; callers may ignore it.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Starts program with one parameter string (bytes passed as they are),
  // detached, in the current folder, never through a shell interpreter.
  // Returns false when the start failed; callers may ignore it.
  virtual bool StartProgram(const std::string& program, const std::string& parameters) = 0;
};

}  // namespace fabrion
