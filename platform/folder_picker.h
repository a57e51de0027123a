#pragma once
// A folder picker that cannot leave the folder it is rooted at.
#include <optional>
#include <string>

namespace fabrion {

class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // The full path of the folder chosen below (or equal to) root, or nothing
  // when the user cancelled. preselected may be empty.
  virtual std::optional<std::string> PickFolder(const std::string& title, const std::string& root,
                                                const std::string& preselected) = 0;
};

}  // namespace fabrion
