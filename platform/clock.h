#pragma once
// Local date and time, the 32-bit millisecond tick counter and a short sleep.
#include <cstdint>

namespace fabrion {

struct LocalDateTime {
  int year = 2000;   // four digits
  int month = 1;     // 1 to 12
  int day = 1;       // 1 to 31
  int hour = 0;      // 0 to 23
  int minute = 0;    // 0 to 59
  int second = 0;    // 0 to 59
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
  // Milliseconds since an arbitrary start; wraps around after 2^32.
  virtual std::uint32_t TickCount() = 0;
  virtual void SleepMilliseconds(int milliseconds) = 0;
};

// The machine's clocks.
class SystemClock : public Clock {
 public:
  LocalDateTime Now() override;
  std::uint32_t TickCount() override;
  void SleepMilliseconds(int milliseconds) override;
};

// The machine's ticks and sleep, but a local time fixed at construction: for
// reproducible builds and for builds whose time does not matter.
class FixedClock : public SystemClock {
 public:
  explicit FixedClock(LocalDateTime at = {}) : at_(at) {}
  LocalDateTime Now() override { return at_; }

 private:
  LocalDateTime at_;
};

}  // namespace fabrion
