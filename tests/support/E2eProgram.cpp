#include "support/E2eProgram.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <QDeadlineTimer>
#include <QString>
#include <cstdio>

#include "settings/ModIni.h"
#include "shape/SkinImage.h"

namespace testsupport {

namespace fs = std::filesystem;

QRegion Silhouette(const char* picture) {
  const QImage img = shape::SkinPicture(QString::fromLatin1(picture));
  QRegion r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) != 0) r += QRect(x, y, 1, 1);
  return r;
}

namespace {

// One connection for the run. A window may go between a listing and a look at it.
Display* X() {
  static Display* d = [] {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return XOpenDisplay(nullptr);
  }();
  return d;
}

}  // namespace

bool HaveDisplay() { return X() != nullptr; }

int Shell(const std::string& command, std::string* out) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  const int status = pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

void Pause(int ms) {
  if (!QCoreApplication::instance()) return void(usleep(ms * 1000));
  for (QDeadlineTimer end(ms); !end.hasExpired();)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void HotKey(char key, const char* hold) {
  const std::string k(1, key);
  Shell("xdotool keydown alt sleep 0.04 keydown " + k + " sleep " + hold + " keyup " + k +
        " sleep 0.02 keyup alt");
}

std::string Keys(const std::string& window, const std::string& keys, int ms) {
  const bool id = window.find_first_not_of("0123456789") == std::string::npos;
  const std::string w = id ? window : AwaitWindow(window, ms);
  if (w.empty()) return w;
  // Through the window manager when it offers to; otherwise straight to the window.
  if (Shell("xdotool windowactivate --sync " + w + " 2>/dev/null") != 0)
    Shell("xdotool windowfocus --sync " + w);
  Shell("xdotool sleep 1 " + keys);
  return w;
}

void CoreApp() {
  static int argc = 1;
  static char name[] = "e2e";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

std::string AwaitWindow(const std::string& title, int ms) {
  const std::string search = "xdotool search --onlyvisible --name '" + title + "' 2>/dev/null";
  std::string id;
  WaitFor([&] { return Shell(search + " | head -1", &id) >= 0 && !(id = Trimmed(id)).empty(); },
          ms);
  return id;
}

bool AwaitGone(const std::string& title, int ms) {
  return WaitFor([&] { return AwaitWindow(title, 0).empty(); }, ms);
}

QRect Geometry(unsigned long window) {
  XWindowAttributes a{};
  if (!window || !XGetWindowAttributes(X(), window, &a)) return QRect();
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(X(), window, DefaultRootWindow(X()), 0, 0, &x, &y, &child);
  return QRect(x, y, a.width, a.height);
}

QImage Shot(const std::string& window) {
  const QRect screen(0, 0, DisplayWidth(X(), 0), DisplayHeight(X(), 0));
  const QRect g =
      window == "root" ? screen : Geometry(std::strtoul(window.c_str(), nullptr, 10)) & screen;
  XImage* img = g.isEmpty() ? nullptr
                            : XGetImage(X(), DefaultRootWindow(X()), g.x(), g.y(), g.width(),
                                        g.height(), AllPlanes, ZPixmap);
  if (!img) return QImage();
  QImage out(g.size(), QImage::Format_RGB32);
  for (int y = 0; y < g.height(); ++y)
    for (int x = 0; x < g.width(); ++x) out.setPixel(x, y, 0xFF000000u | XGetPixel(img, x, y));
  XDestroyImage(img);
  return out;
}

int Count(const QImage& img, bool (*pred)(QRgb), QRect area) {
  int n = 0;
  area = area.isNull() ? img.rect() : area & img.rect();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += pred(img.pixel(x, y));
  return n;
}

E2eProgram::E2eProgram() {
  const std::string h = home_.path().string();
  for (const char* dir : {"run", "data", "config", "schemas", "tmp"})
    fs::create_directories(home_.path() / dir);
  chmod((h + "/run").c_str(), 0700);
  // Never the machine's desktop settings: no session bus, an xfconf that finds no service.
  WriteFile(home_.path() / "bin/xfconf-query", "#!/bin/sh\nexit 1\n");
  chmod((h + "/bin/xfconf-query").c_str(), 0755);
  const char* path = std::getenv("PATH");
  env_ = {{"XDG_DATA_HOME", h + "/data"},
          {"XDG_CONFIG_HOME", h + "/config"},
          {"XDG_RUNTIME_DIR", h + "/run"},
          {"GSETTINGS_BACKEND", "keyfile"},
          {"GSETTINGS_SCHEMA_DIR", h + "/schemas"},
          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + h + "/no-bus"},
          {"PATH", h + "/bin:" + (path ? path : "/usr/bin:/bin")},
          {"TMPDIR", h + "/tmp"},  // the cleaner's, not the busy machine's
          {"QT_QPA_PLATFORM", "xcb"},
          {"LANG", "es_ES.UTF-8"}};
}

E2eProgram::~E2eProgram() {
  if (Running()) Stop(SIGKILL, 5000);
  for (const pid_t helper : background_) kill(helper, SIGTERM);
}

std::string E2eProgram::EnvPrefix() const {
  std::string s;
  for (const auto& [k, v] : env_) s += k + "='" + v + "' ";
  return s;
}

fs::path E2eProgram::LogMessages() {
  SetEnv("WW_MESSAGE_LOG", (folder() / "mensajes.log").string());
  return folder() / "mensajes.log";
}

pid_t E2eProgram::Background(const std::string& command, const std::string& out) {
  std::string pid;
  Shell(EnvPrefix() + command + " </dev/null >'" + out + "' 2>/dev/null & echo $!", &pid);
  background_.push_back(std::stoi(pid));
  return background_.back();
}

bool E2eProgram::OwnSessionBus() {
  const std::string address = "unix:path=" + (home() / "bus").string();
  SetEnv("DBUS_SESSION_BUS_ADDRESS", address);
  Background("dbus-daemon --session --nofork --address='" + address + "'");
  return AwaitBus("org.freedesktop.DBus / org.freedesktop.DBus.Peer.Ping");
}

bool E2eProgram::AwaitBus(const std::string& call) const {
  const std::string send = EnvPrefix() + "dbus-send --session --print-reply --dest=" + call;
  return WaitFor([&] { return Shell(send + " >/dev/null 2>&1") == 0; }, 10000);
}

void E2eProgram::WriteOptions(const std::string& utf8Text) {
  WriteFile(folder_.path() / "Options.ini",
            QString::fromStdString(utf8Text).toLatin1().toStdString());
}

std::string E2eProgram::Option(const std::string& section, const std::string& key) const {
  const fs::path folder = installed_.empty() ? folder_.path() : home() / "data/WasteWell";
  return settings::IniRead(section, key, (folder / "Options.ini").string());
}

void E2eProgram::RunAs(uid_t uid, gid_t gid) {
  uid_ = uid, gid_ = gid;
  Shell("chown -hR " + std::to_string(uid) + ":" + std::to_string(gid) + " '" + home().string() +
        "' '" + folder().string() + "'");
}

bool E2eProgram::Start() {
  const char* exe = installed_.empty() ? std::getenv("WW_EXE") : installed_.c_str();
  pid_ = exe ? fork() : -1;
  if (pid_ == 0) {
    for (const auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
    if (!binds_.empty() && (unshare(CLONE_NEWNS) != 0 ||
                            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))
      _exit(125);
    for (const auto& [source, target] : binds_)
      if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) _exit(125);
    if (uid_ != 0 && (setgroups(0, nullptr) != 0 || setresgid(gid_, gid_, gid_) != 0 ||
                      setresuid(uid_, uid_, uid_) != 0))
      _exit(126);
    // The installed program gets no arguments: the first null ends them.
    execl(exe, exe, installed_.empty() ? "--program-folder" : nullptr, folder_.path().c_str(),
          nullptr);
    _exit(127);
  }
  return pid_ > 0 &&
         WaitFor([&] { return (window_ = WindowWithRole("ShapedForm")) && !Geometry().isEmpty(); },
                 15000);
}

unsigned long E2eProgram::WindowWithRole(const std::string& role) const {
  const std::string list = Windows("xprop -id $w WM_WINDOW_ROLE");
  const size_t at = list.find("\"" + role + "\"");
  if (at == std::string::npos) return 0;
  const size_t line = list.rfind('\n', at);
  return std::stoul(list.substr(line == std::string::npos ? 0 : line + 1));
}

std::string E2eProgram::Windows(const std::string& look) const {
  std::string out;
  Shell("for w in $(xdotool search --onlyvisible --pid " + std::to_string(pid_) +
            " 2>/dev/null); do echo $w $(" + look + "); done",
        &out);
  return out;
}

bool E2eProgram::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r != pid_) return r == 0;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  pid_ = -1;
  return false;
}

int E2eProgram::Stop(int sig, int waitMs) {
  if (pid_ > 0) kill(pid_, sig);
  return WaitFor([this] { return !Running(); }, waitMs) ? exitCode_ : -1;
}

QRegion E2eProgram::Shape() const {
  QRegion region;
  int count = 0, ordering = 0;
  XRectangle* rects =
      window_ ? XShapeGetRectangles(X(), window_, ShapeBounding, &count, &ordering) : nullptr;
  for (int i = 0; i < count; ++i)
    region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  if (rects) XFree(rects);
  return region;
}

std::string E2eProgram::PointAt(int dx, int dy, QRect from) const {
  const QRect g = from.isNull() ? Geometry() : from;
  return " mousemove " + std::to_string(g.x() + dx) + " " + std::to_string(g.y() + dy);
}

bool E2eProgram::OpenMenu() const {
  Shell("xdotool" + PointAt(32, 40) + " click 3");
  return WaitFor([&] { return MenuShown(); }, 3000);
}

bool E2eProgram::MenuShown() const {
  return Windows("xwininfo -id $w").find("Override Redirect State: yes") != std::string::npos;
}

bool E2eProgram::Menu(const std::string& keys) const {
  return OpenMenu() && Shell("xdotool key " + keys) == 0;
}

void E2eProgram::Hover() const {
  Shell("xdotool" + PointAt(30, 40) + " sleep 0.2" + PointAt(32, 42));
}

bool E2eProgram::ShowsFull(int ms) const {
  const QRegion empty = Silhouette("ImgDefaultEmpty");
  return WaitFor([&] { return !Shape().isEmpty() && Shape() != empty; }, ms);
}

std::string E2eProgram::TrashCli(const std::string& args) const {
  std::string out;
  Shell(EnvPrefix() + "trash-" + args + " 2>/dev/null", &out);
  return out;
}

bool E2eProgram::TrashPut(const std::string& name) {
  WriteFile(home() / name, name);
  return Shell(EnvPrefix() + "trash-put '" + (home() / name).string() + "'") == 0;
}

fs::path E2eProgram::NoteOpens() {
  const fs::path notes = home() / "opened.txt";
  WriteFile(home() / "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + notes.string() + "'\n");
  chmod((home() / "bin/xdg-open").c_str(), 0755);
  return notes;
}

}  // namespace testsupport
