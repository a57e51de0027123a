#pragma once
// Processes the pending Qt events once.
#include "platform/event_pump.h"

namespace fabrion::qt {

class QtEventPump : public EventPump {
 public:
  void ProcessEvents() override;
};

}  // namespace fabrion::qt
