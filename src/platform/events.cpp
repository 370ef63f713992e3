#include "platform/events.h"

#include <QCoreApplication>

namespace platform {

void PumpEvents() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace platform
