#include "platform/DesktopLayer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {
namespace {

void SendClientMessage(Display* dpy, Window win, Atom type, long d0, long d1, long d2) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = win;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = d0;
  ev.xclient.data.l[1] = d1;
  ev.xclient.data.l[2] = d2;
  ev.xclient.data.l[3] = 1;  // source: a normal application
  XSendEvent(dpy, DefaultRootWindow(dpy), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

}  // namespace

void AttachToDesktop(std::uintptr_t nativeWindow) {
  if (nativeWindow == 0) return;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return;
  const Window win = static_cast<Window>(nativeWindow);
  const Atom netState = XInternAtom(dpy, "_NET_WM_STATE", False);
  const char* names[] = {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY",
                         "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
  Atom states[4];
  for (int i = 0; i < 4; ++i) states[i] = XInternAtom(dpy, names[i], False);

  XWindowAttributes attrs{};
  const bool mapped = XGetWindowAttributes(dpy, win, &attrs) && attrs.map_state != IsUnmapped;
  if (!mapped) {
    // Before mapping the window manager reads the property itself.
    XChangeProperty(dpy, win, netState, XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<unsigned char*>(states), 4);
    const long all = 0xFFFFFFFF;
    XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_DESKTOP", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&all), 1);
  } else {
    // Once mapped, only a request to the window manager changes the state.
    for (int i = 0; i < 4; i += 2)
      SendClientMessage(dpy, win, netState, 1 /* add */, static_cast<long>(states[i]),
                        static_cast<long>(states[i + 1]));
    SendClientMessage(dpy, win, XInternAtom(dpy, "_NET_WM_DESKTOP", False), 0xFFFFFFFF, 0, 0);
  }
  XFlush(dpy);
  XCloseDisplay(dpy);
}

}  // namespace platform
