#pragma once
// A progress bar as long work sees it: a maximum and a position.

namespace fabrion {

class ProgressIndicator {
 public:
  virtual ~ProgressIndicator() = default;
  virtual void SetMaximum(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Position() const = 0;
  virtual int Maximum() const = 0;
};

}  // namespace fabrion
