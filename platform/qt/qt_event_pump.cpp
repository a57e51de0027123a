#include "platform/qt/qt_event_pump.h"

#include <QCoreApplication>

namespace fabrion::qt {

void QtEventPump::ProcessEvents() { QCoreApplication::processEvents(); }

}  // namespace fabrion::qt
