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

// Progress that is only held, for work without a window (commands, tools).
class HeldProgress : public ProgressIndicator {
 public:
  void SetMaximum(int maximum) override { maximum_ = maximum; }
  void SetPosition(int position) override { position_ = position; }
  int Position() const override { return position_; }
  int Maximum() const override { return maximum_; }

 private:
  int maximum_ = 100;
  int position_ = 0;
};

}  // namespace fabrion
