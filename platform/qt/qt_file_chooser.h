#pragma once
// The file chooser as the desktop's own open and save dialogs.
#include "platform/file_chooser.h"

namespace fabrion::qt {

class QtFileChooser : public FileChooser {
 public:
  std::optional<std::string> ChooseFileToOpen(const std::string& title, const std::string& folder,
                                              const std::string& filter) override;
  std::optional<std::string> ChooseFileToSave(const std::string& title,
                                              const std::string& suggested,
                                              const std::string& filter) override;
};

}  // namespace fabrion::qt
