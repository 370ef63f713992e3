#pragma once
// Foreign top-level windows on an X11 display, as the window manager lists
// them (_NET_CLIENT_LIST). Without an X11 display nothing is listed.

namespace platform {

// Connects the window list to the X11 display when the program runs on one.
// Returns false when there is none (Wayland, offscreen).
bool InstallX11WindowList();

}  // namespace platform
