#pragma once
// Finding and activating top-level windows by caption. The list holds the
// program's own windows and, on an X11 display, the windows the window manager
// lists; elsewhere no foreign window can be seen.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using WindowHandle = std::uintptr_t;  // 0: no window

struct TopWindow {
    WindowHandle handle = 0;
    std::string className;  // Windows-1252
    std::string caption;    // Windows-1252
};

// Pattern matching as the program's caption rules use it: "?" any one
// character, "*" any run, "#" one digit, "[abc]" / "[a-z]" / "[!abc]" a set.
bool LikeMatch(std::string_view text, std::string_view pattern);

// Whether a caption matches the title after normalisation (trimmed, upper
// case): the caption equals the title, or is the title, " - " and anything.
bool CaptionMatchesTitle(std::string_view caption, std::string_view title);

// The windows in the order the walk visits them.
std::vector<TopWindow> TopLevelWindows();

// A class of null (nullopt) matches every window.
WindowHandle FindWindowLike(const std::optional<std::string>& className, const std::string& title,
                            const std::vector<TopWindow>& windows);
WindowHandle FindWindowLike(const std::optional<std::string>& className, const std::string& title);

// Tries the form classes of the old platform first, then any class.
WindowHandle FindAppWindow(const std::string& title);

// Restores a minimised window and brings it to the foreground; 0 does nothing.
void ActivateWindow(WindowHandle handle);
void ActivateWindow(const std::string& title);

// Hook through which foreign (X11) windows are listed and activated; set by
// the X11 layer when a display is present.
struct ForeignWindows {
    std::vector<TopWindow> (*list)() = nullptr;
    bool (*activate)(WindowHandle) = nullptr;
};
void SetForeignWindows(ForeignWindows provider);

}  // namespace platform
