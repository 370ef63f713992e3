#pragma once
// Keystrokes for a top-level window that has just been brought forward: the
// focused control of one of the program's own windows gets them directly,
// another program's window through the X11 display.
#include "platform/windowlist.h"
#include "platform/x11windows.h"

namespace platform {

// Sends one keystroke and waits until it has been taken. False when it could
// not be delivered (a foreign window without an X11 display).
bool SendKeystroke(WindowHandle target, ForeignKey key);

}  // namespace platform
