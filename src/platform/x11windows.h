#pragma once
// Foreign top-level windows on an X11 display, as the window manager lists
// them (_NET_CLIENT_LIST). Without an X11 display nothing is listed.

namespace platform {

// Connects the window list to the X11 display when the program runs on one.
// Returns false when there is none (Wayland, offscreen).
bool InstallX11WindowList();

// Keystrokes sent to whatever window has the input focus on the X11 display.
enum class ForeignKey { CtrlEnd, Enter, ShiftInsert };

// Sends one keystroke with the XTest extension and waits until the display
// has taken it. False when there is no X11 display (nothing is sent).
bool SendForeignKey(ForeignKey key);

}  // namespace platform
