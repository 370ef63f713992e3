#include "platform/x11windows.h"

#include <QGuiApplication>

#include "platform/windowlist.h"

#ifdef RUNEMILL_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "files/ansi.h"
#endif

namespace platform {

#ifdef RUNEMILL_HAVE_X11
namespace {

Display* g_display = nullptr;

std::vector<unsigned char> property(Window w, Atom name, Atom type, unsigned long& items, int& format) {
    Atom actualType = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    items = 0;
    format = 0;
    if (XGetWindowProperty(g_display, w, name, 0, 1 << 20, False, type, &actualType, &format, &items, &after,
                           &data) != Success ||
        !data) {
        return {};
    }
    const size_t bytes = items * static_cast<size_t>(format == 32 ? sizeof(long) : format / 8);
    std::vector<unsigned char> out(data, data + bytes);
    XFree(data);
    return out;
}

std::string caption(Window w) {
    unsigned long items = 0;
    int format = 0;
    const Atom utf8 = XInternAtom(g_display, "UTF8_STRING", False);
    auto name = property(w, XInternAtom(g_display, "_NET_WM_NAME", False), utf8, items, format);
    if (!name.empty())
        return ansi::fromQString(QString::fromUtf8(reinterpret_cast<const char*>(name.data()),
                                                   static_cast<qsizetype>(name.size())));
    name = property(w, XA_WM_NAME, AnyPropertyType, items, format);
    return std::string(name.begin(), name.end());
}

std::string windowClass(Window w) {
    XClassHint hint{};
    if (!XGetClassHint(g_display, w, &hint)) return {};
    std::string cls = hint.res_class ? hint.res_class : "";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return cls;
}

long windowPid(Window w) {
    unsigned long items = 0;
    int format = 0;
    auto pid = property(w, XInternAtom(g_display, "_NET_WM_PID", False), XA_CARDINAL, items, format);
    if (items < 1 || format != 32) return -1;
    return *reinterpret_cast<const long*>(pid.data());
}

std::vector<TopWindow> listWindows() {
    std::vector<TopWindow> out;
    if (!g_display) return out;
    unsigned long items = 0;
    int format = 0;
    const Window root = DefaultRootWindow(g_display);
    auto list = property(root, XInternAtom(g_display, "_NET_CLIENT_LIST", False), XA_WINDOW, items, format);
    std::vector<Window> windows;
    if (format == 32) {
        const auto* ids = reinterpret_cast<const long*>(list.data());
        for (unsigned long i = 0; i < items; ++i) windows.push_back(static_cast<Window>(ids[i]));
    } else {
        // No window manager: the top-level windows are the root's mapped children.
        Window rootOut = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(g_display, root, &rootOut, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i) {
                XWindowAttributes attrs{};
                if (XGetWindowAttributes(g_display, children[i], &attrs) && attrs.map_state == IsViewable)
                    windows.push_back(children[i]);
            }
            if (children) XFree(children);
        }
    }
    const long self = static_cast<long>(getpid());
    for (Window w : windows) {
        if (windowPid(w) == self) continue;  // our own windows are listed already
        std::string name = caption(w);
        if (name.empty()) continue;
        out.push_back({static_cast<WindowHandle>(w), windowClass(w), std::move(name)});
    }
    return out;
}

bool activate(WindowHandle handle) {
    if (!g_display) return false;
    const Window w = static_cast<Window>(handle);
    // Asking the window manager to activate restores a minimised window too.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(g_display, "_NET_ACTIVE_WINDOW", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2;  // from a pager: honoured without focus-stealing checks
    ev.xclient.data.l[1] = CurrentTime;
    XMapRaised(g_display, w);
    XSendEvent(g_display, DefaultRootWindow(g_display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    // Without a window manager nobody answers the request; take the focus
    // directly (an error, for a window that is not viewable, is ignored).
    XSync(g_display, False);
    XWindowAttributes attrs{};
    if (XGetWindowAttributes(g_display, w, &attrs) && attrs.map_state == IsViewable)
        XSetInputFocus(g_display, w, RevertToParent, CurrentTime);
    XSync(g_display, False);
    return true;
}

// Errors of our own display connection (a window that vanished between
// listing and use) must not end the program.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool InstallX11WindowList() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    if (!g_display) {
        g_display = XOpenDisplay(nullptr);
        if (g_display) XSetErrorHandler(&ignoreXError);
    }
    if (!g_display) return false;
    SetForeignWindows({&listWindows, &activate});
    return true;
}

bool SendForeignKey(ForeignKey key) {
    if (!g_display) return false;
    KeySym modifier = NoSymbol, main = NoSymbol;
    switch (key) {
    case ForeignKey::CtrlEnd: modifier = XK_Control_L; main = XK_End; break;
    case ForeignKey::Enter: main = XK_Return; break;
    case ForeignKey::ShiftInsert: modifier = XK_Shift_L; main = XK_Insert; break;
    }
    auto press = [](KeySym sym, bool down) {
        const KeyCode code = XKeysymToKeycode(g_display, sym);
        if (code) XTestFakeKeyEvent(g_display, code, down ? True : False, CurrentTime);
    };
    if (modifier != NoSymbol) press(modifier, true);
    press(main, true);
    press(main, false);
    if (modifier != NoSymbol) press(modifier, false);
    XSync(g_display, False);
    // The receiving program works on its own time; give it a moment before
    // the next key, keeping our own windows painted meanwhile.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

#else

bool InstallX11WindowList() { return false; }
bool SendForeignKey(ForeignKey) { return false; }

#endif

}  // namespace platform
