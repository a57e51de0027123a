#pragma once
// Lets a long handler process the pending window events (repaints, input).

namespace fabrion {

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void ProcessEvents() = 0;
};

}  // namespace fabrion
