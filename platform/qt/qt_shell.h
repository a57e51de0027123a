#pragma once
// Web addresses through the desktop's handler; programs through the
// platform's detached start.
#include "platform/shell.h"

namespace fabrion::qt {

class QtShell : public Shell {
 public:
  bool OpenUrl(const std::string& url) override;
  bool StartProgram(const std::string& program, const std::string& parameters) override;
};

}  // namespace fabrion::qt
