#include "platform/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace lumora::platform {

WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace lumora::platform
