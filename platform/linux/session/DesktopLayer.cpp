#include "platform/DesktopLayer.h"

// Qt before Xlib, whose macros clash with Qt's names.
// clang-format off
#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on

#include <vector>

namespace platform {
namespace {

constexpr long kSourceApplication = 1;  // as opposed to a pager
constexpr long kStateAdd = 1;
constexpr long kAllDesktops = 0xFFFFFFFF;

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

void SendClientMessage(Display* dpy, Window win, Atom type, long d0, long d1, long d2) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = win;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = d0;
  ev.xclient.data.l[1] = d1;
  ev.xclient.data.l[2] = d2;
  ev.xclient.data.l[3] = kSourceApplication;
  XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &ev);
}

}  // namespace

void AttachToDesktop(std::uintptr_t nativeWindow) {
  // The window id is an X11 one only when Qt draws through X11.
  if (nativeWindow == 0 || QGuiApplication::platformName() != QLatin1String("xcb")) return;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return;
  // A window that is not ours on this display must not end the program.
  XSync(dpy, False);
  auto* oldHandler = XSetErrorHandler(IgnoreErrors);

  const Window win = static_cast<Window>(nativeWindow);
  const Atom netState = XInternAtom(dpy, "_NET_WM_STATE", False);
  const Atom netDesktop = XInternAtom(dpy, "_NET_WM_DESKTOP", False);
  const char* names[] = {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY",
                         "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
  std::vector<Atom> states;
  for (const char* name : names) states.push_back(XInternAtom(dpy, name, False));

  // A window manager reads the properties when it takes the window on, and
  // takes requests once it has: which of the two applies now cannot be told
  // from here, so do both.
  std::vector<Atom> merged;
  Atom type;
  int format;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, win, netState, 0, 64, False, XA_ATOM, &type, &format, &n, &after,
                         &data) == Success &&
      data) {
    if (format == 32)
      merged.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + n);
    XFree(data);
  }
  for (Atom a : states) {
    bool present = false;
    for (Atom m : merged) present = present || m == a;
    if (!present) merged.push_back(a);
  }
  XChangeProperty(dpy, win, netState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(merged.data()), static_cast<int>(merged.size()));
  const long all = kAllDesktops;
  XChangeProperty(dpy, win, netDesktop, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&all), 1);

  for (std::size_t i = 0; i < states.size(); i += 2)
    SendClientMessage(dpy, win, netState, kStateAdd, static_cast<long>(states[i]),
                      static_cast<long>(states[i + 1]));
  SendClientMessage(dpy, win, netDesktop, all, 0, 0);

  XSync(dpy, False);
  XSetErrorHandler(oldHandler);
  XCloseDisplay(dpy);
}

}  // namespace platform
