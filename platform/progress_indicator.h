#pragma once
// A progress bar as long work sees it: a maximum and a position. Counts are
// 64-bit: a master firmware file may have more lines than an int can count.
#include <cstdint>

namespace fabrion {

class ProgressIndicator {
 public:
  virtual ~ProgressIndicator() = default;
  virtual void SetMaximum(std::int64_t maximum) = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  virtual std::int64_t Position() const = 0;
  virtual std::int64_t Maximum() const = 0;
};

// Progress that is only held, for work without a window (commands, tools).
class HeldProgress : public ProgressIndicator {
 public:
  void SetMaximum(std::int64_t maximum) override { maximum_ = maximum; }
  void SetPosition(std::int64_t position) override { position_ = position; }
  std::int64_t Position() const override { return position_; }
  std::int64_t Maximum() const override { return maximum_; }

 private:
  std::int64_t maximum_ = 100;
  std::int64_t position_ = 0;
};

}  // namespace fabrion
