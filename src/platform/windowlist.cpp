#include "platform/windowlist.h"

#include <QApplication>
#include <QWidget>
#include <cctype>

#include "files/ansi.h"

namespace platform {
namespace {

ForeignWindows g_foreign;

constexpr const char* kOwnClass = "RunemillForm";

std::string trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

// Matches one bracketed set at pattern[p] ("[" already seen); returns the index
// after "]" or npos for a malformed set.
size_t matchSet(std::string_view pattern, size_t p, unsigned char c, bool& matched) {
    bool negate = false;
    if (p < pattern.size() && pattern[p] == '!') {
        negate = true;
        ++p;
    }
    bool hit = false;
    bool first = true;
    while (p < pattern.size() && (pattern[p] != ']' || first)) {
        first = false;
        const auto lo = static_cast<unsigned char>(pattern[p]);
        if (p + 2 < pattern.size() && pattern[p + 1] == '-' && pattern[p + 2] != ']') {
            const auto hi = static_cast<unsigned char>(pattern[p + 2]);
            if (c >= lo && c <= hi) hit = true;
            p += 3;
        } else {
            if (c == lo) hit = true;
            ++p;
        }
    }
    if (p >= pattern.size()) return std::string_view::npos;
    matched = hit != negate;
    return p + 1;
}

}  // namespace

bool LikeMatch(std::string_view text, std::string_view pattern) {
    // Iterative matcher with one backtrack point for the latest "*".
    size_t t = 0, p = 0;
    size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            const char pc = pattern[p];
            const auto tc = static_cast<unsigned char>(text[t]);
            if (pc == '*') {
                starP = ++p;
                starT = t;
                continue;
            }
            bool ok = false;
            size_t next = p + 1;
            if (pc == '?') {
                ok = true;
            } else if (pc == '#') {
                ok = std::isdigit(tc) != 0;
            } else if (pc == '[') {
                bool m = false;
                const size_t after = matchSet(pattern, p + 1, tc, m);
                if (after == std::string_view::npos) {
                    ok = tc == '[';  // a lone "[" stands for itself
                } else {
                    ok = m;
                    next = after;
                }
            } else {
                ok = static_cast<unsigned char>(pc) == tc;
            }
            if (ok) {
                ++t;
                p = next;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool CaptionMatchesTitle(std::string_view caption, std::string_view title) {
    const std::string t = ansi::toUpper(trimBlanks(title));
    const std::string c = ansi::toUpper(caption);
    return c == t || LikeMatch(c, t + " - *");
}

std::vector<TopWindow> TopLevelWindows() {
    std::vector<TopWindow> out;
    if (qApp) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isWindow() || w->windowTitle().isEmpty()) continue;
            // Only windows that exist for the user, not hidden scratch widgets.
            if (!w->isVisible() && !w->isMinimized()) continue;
            out.push_back({reinterpret_cast<WindowHandle>(w), kOwnClass, ansi::fromQString(w->windowTitle())});
        }
    }
    if (g_foreign.list) {
        for (auto& w : g_foreign.list()) out.push_back(std::move(w));
    }
    return out;
}

WindowHandle FindWindowLike(const std::optional<std::string>& className, const std::string& title,
                            const std::vector<TopWindow>& windows) {
    const std::string upperTitle = ansi::toUpper(title);
    size_t start = windows.size();
    for (size_t i = 0; i < windows.size(); ++i) {
        if (className && windows[i].className != *className) continue;
        if (start == windows.size()) start = i;
        // The platform's own lookup compares whole captions without regard to case.
        if (ansi::toUpper(windows[i].caption) == upperTitle) return windows[i].handle;
    }
    // The walk starts at the first window of the class and visits every window
    // after it, whatever its class.
    for (size_t i = start; i < windows.size(); ++i) {
        std::string caption = windows[i].caption;
        if (caption.size() > 254) caption.resize(254);
        if (CaptionMatchesTitle(caption, title)) return windows[i].handle;
    }
    return 0;
}

WindowHandle FindWindowLike(const std::optional<std::string>& className, const std::string& title) {
    return FindWindowLike(className, title, TopLevelWindows());
}

WindowHandle FindAppWindow(const std::string& title) {
    static const char* const kClasses[] = {"ThunderRT5MDIForm", "ThunderRT6MDIForm", "ThunderRT5Form",
                                           "ThunderRT6Form"};
    const auto windows = TopLevelWindows();
    for (const char* cls : kClasses)
        if (WindowHandle h = FindWindowLike(std::string(cls), title, windows)) return h;
    return FindWindowLike(std::nullopt, title, windows);
}

void ActivateWindow(WindowHandle handle) {
    if (handle == 0) return;
    if (qApp) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (reinterpret_cast<WindowHandle>(w) != handle) continue;
            if (w->isMinimized()) w->showNormal();
            w->raise();
            w->activateWindow();
            return;
        }
    }
    if (g_foreign.activate) g_foreign.activate(handle);
}

void ActivateWindow(const std::string& title) { ActivateWindow(FindAppWindow(title)); }

void SetForeignWindows(ForeignWindows provider) { g_foreign = provider; }

}  // namespace platform
