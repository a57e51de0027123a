#pragma once
// The desktop's file dialogs for one file to read or to write.
#include <optional>
#include <string>

namespace fabrion {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The full path of an existing file the user chose to read, or nothing
  // when the user cancelled. folder is where the dialog starts; filter is
  // "Name (*.ext)" entries separated by ";;".
  virtual std::optional<std::string> ChooseFileToOpen(const std::string& title,
                                                      const std::string& folder,
                                                      const std::string& filter) = 0;
  // The full path to write to, or nothing when the user cancelled; replacing
  // an existing file has been confirmed. suggested is a full path whose
  // folder and name are proposed.
  virtual std::optional<std::string> ChooseFileToSave(const std::string& title,
                                                      const std::string& suggested,
                                                      const std::string& filter) = 0;
};

}  // namespace fabrion
