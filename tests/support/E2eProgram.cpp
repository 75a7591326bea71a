#include "support/E2eProgram.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/settings/ModIni.h"
#include "shape/SkinImage.h"

namespace testsupport {

QRegion Silhouette(const char* picture) {
  const QImage img = shape::SkinPicture(QString::fromLatin1(picture));
  QRegion r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) != 0) r += QRect(x, y, 1, 1);
  return r;
}

namespace {

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() { return DisplayPtr(XOpenDisplay(nullptr)); }

std::vector<unsigned long> WindowList(Display* d, Window w, const char* prop) {
  std::vector<unsigned long> out;
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, XInternAtom(d, prop, False), 0, 65536, False, AnyPropertyType, &type,
                         &format, &n, &after, &data) == Success &&
      data) {
    if (format == 32)
      // Xlib hands 32-bit items over in longs, sign-extended.
      for (unsigned long i = 0; i < n; ++i)
        out.push_back(reinterpret_cast<unsigned long*>(data)[i] & 0xFFFFFFFFUL);
    XFree(data);
  }
  return out;
}

long Cardinal(Display* d, Window w, const char* prop) {
  auto v = WindowList(d, w, prop);
  return v.empty() ? -1 : static_cast<long>(v[0]);
}

std::string TextProperty(Display* d, Window w, const char* prop) {
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(d, w, XInternAtom(d, prop, False), 0, 4096, False, AnyPropertyType, &type,
                         &format, &n, &after, &data) == Success &&
      data) {
    if (format == 8) out.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
  }
  return out;
}

bool Shown(Display* d, Window w) {
  XWindowAttributes a{};
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

}  // namespace

bool HaveDisplay() {
  const char* d = std::getenv("DISPLAY");
  if (!d || !*d) return false;
  return static_cast<bool>(OpenDisplay());
}

bool DisplayRequired() {
  const char* required = std::getenv("WW_REQUIRE_DISPLAY");
  return required && *required;
}

bool E2eProgram::WaitForStillGeometry(int ms) const {
  QRect last = Geometry();
  return WaitFor(
      [&] {
        const QRect now = Geometry();
        const bool still = now == last;
        last = now;
        return still;
      },
      ms);
}

void E2eProgram::Sleep(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

E2eProgram::E2eProgram() {
  const std::filesystem::path run = home_.path() / "run";
  std::filesystem::create_directories(run);
  chmod(run.c_str(), 0700);
  std::filesystem::create_directories(home_.path() / "data");
  std::filesystem::create_directories(home_.path() / "config");
  std::filesystem::create_directories(home_.path() / "schemas");
  env_["XDG_DATA_HOME"] = (home_.path() / "data").string();
  env_["XDG_CONFIG_HOME"] = (home_.path() / "config").string();
  env_["XDG_RUNTIME_DIR"] = run.string();
  // Never the machine's own desktop settings: no session bus, and a stand-in
  // for xfconf's tool that finds no service.
  env_["GSETTINGS_BACKEND"] = "keyfile";
  env_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (home_.path() / "no-bus").string();
  WriteFile(home_.path() / "bin/xfconf-query", "#!/bin/sh\nexit 1\n");
  chmod((home_.path() / "bin/xfconf-query").c_str(), 0755);
  env_["PATH"] = (home_.path() / "bin").string() + ":" +
                 (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
  env_["GSETTINGS_SCHEMA_DIR"] = (home_.path() / "schemas").string();
  env_["QT_QPA_PLATFORM"] = "xcb";
  env_["LANG"] = "es_ES.UTF-8";
}

E2eProgram::~E2eProgram() {
  if (pid_ > 0 && Running()) Stop(SIGKILL, 5000);
}

std::string E2eProgram::EnvPrefix() const {
  std::string s;
  for (const auto& [k, v] : env_) s += k + "='" + v + "' ";
  return s;
}

int Shell(const std::string& command, std::string* out) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int status = pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void E2eProgram::WriteOptions(const std::string& utf8Text) {
  const QByteArray bytes = QString::fromStdString(utf8Text).toLatin1();
  WriteFile(folder_.path() / "Options.ini", bytes.toStdString());
}

std::string E2eProgram::Option(const std::string& section, const std::string& key) const {
  return app::IniRead(section, key, (folder_.path() / "Options.ini").string());
}

pid_t E2eProgram::Spawn() const {
  const char* exe = std::getenv("WW_EXE");
  if (!exe) return -1;
  const pid_t p = fork();
  if (p == 0) {
    for (const auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
    execl(exe, exe, "--program-folder", folder_.path().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return p;
}

bool E2eProgram::Start() {
  pid_ = Spawn();
  if (pid_ <= 0) return false;
  return WaitFor([this] { return (window_ = FindWindow()) != 0 && Geometry().width() > 0; }, 15000);
}

int E2eProgram::RunSecondCopy(int waitMs) {
  const pid_t p = Spawn();
  if (p <= 0) return -1;
  int status = 0;
  for (int waited = 0; waited <= waitMs; waited += 20) {
    if (waitpid(p, &status, WNOHANG) == p) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    Sleep(20);
  }
  kill(p, SIGKILL);
  waitpid(p, &status, 0);
  return -1;
}

bool E2eProgram::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
    return false;
  }
  return r == 0;
}

int E2eProgram::Stop(int sig, int waitMs) {
  if (pid_ > 0) kill(pid_, sig);
  if (!WaitFor([this] { return !Running(); }, waitMs)) return -1;
  return exitCode_;
}

unsigned long E2eProgram::FindWindow() const {
  DisplayPtr d = OpenDisplay();
  if (!d) return 0;
  for (unsigned long w : WindowList(d.get(), DefaultRootWindow(d.get()), "_NET_CLIENT_LIST")) {
    if (Cardinal(d.get(), w, "_NET_WM_PID") != pid_) continue;
    if (TextProperty(d.get(), w, "WM_WINDOW_ROLE") == "ShapedForm" && Shown(d.get(), w)) return w;
  }
  return 0;
}

QRect E2eProgram::Geometry() const {
  DisplayPtr d = OpenDisplay();
  XWindowAttributes a{};
  if (!d || !window_ || !XGetWindowAttributes(d.get(), window_, &a)) return QRect();
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(d.get(), window_, DefaultRootWindow(d.get()), 0, 0, &x, &y, &child);
  return QRect(x, y, a.width, a.height);
}

QRegion E2eProgram::Shape() const {
  DisplayPtr d = OpenDisplay();
  QRegion region;
  if (!d || !window_) return region;
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(d.get(), window_, ShapeBounding, &count, &ordering);
  for (int i = 0; i < count; ++i)
    region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  if (rects) XFree(rects);
  return region;
}

bool E2eProgram::Viewable() const {
  DisplayPtr d = OpenDisplay();
  return d && window_ && Shown(d.get(), window_);
}

long E2eProgram::Desktop() const {
  DisplayPtr d = OpenDisplay();
  return d && window_ ? Cardinal(d.get(), window_, "_NET_WM_DESKTOP") : -1;
}

std::vector<std::string> E2eProgram::NetWmState() const {
  DisplayPtr d = OpenDisplay();
  std::vector<std::string> names;
  if (!d || !window_) return names;
  for (unsigned long atom : WindowList(d.get(), window_, "_NET_WM_STATE")) {
    char* name = XGetAtomName(d.get(), atom);
    if (name) {
      names.emplace_back(name);
      XFree(name);
    }
  }
  return names;
}

QImage E2eProgram::Picture() const {
  DisplayPtr d = OpenDisplay();
  const QRect g = Geometry();
  QImage out(64, 64, QImage::Format_RGB32);
  if (!d || g.isEmpty()) return QImage();
  XImage* img =
      XGetImage(d.get(), DefaultRootWindow(d.get()), g.x(), g.y(), 64, 64, AllPlanes, ZPixmap);
  if (!img) return QImage();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) out.setPixel(x, y, 0xFF000000u | XGetPixel(img, x, y));
  XDestroyImage(img);
  return out;
}

std::vector<unsigned long> E2eProgram::OtherWindows() const {
  DisplayPtr d = OpenDisplay();
  std::vector<unsigned long> out;
  if (!d) return out;
  for (unsigned long w : WindowList(d.get(), DefaultRootWindow(d.get()), "_NET_CLIENT_LIST"))
    if (w != window_ && Cardinal(d.get(), w, "_NET_WM_PID") == pid_ && Shown(d.get(), w))
      out.push_back(w);
  return out;
}

std::vector<unsigned long> E2eProgram::PopupWindows() const {
  DisplayPtr d = OpenDisplay();
  std::vector<unsigned long> out;
  if (!d) return out;
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(d.get(), DefaultRootWindow(d.get()), &root, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(d.get(), children[i], &a) && a.override_redirect &&
          a.map_state == IsViewable && a.width > 1)
        out.push_back(children[i]);
    }
    if (children) XFree(children);
  }
  return out;
}

}  // namespace testsupport
