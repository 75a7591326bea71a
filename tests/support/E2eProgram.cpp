#include "support/E2eProgram.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

#include "settings/ModIni.h"
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

// One connection for the whole run. A window may go between a listing and a
// look at it: its errors are not the test's end.
Display* X() {
  static Display* d = [] {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return XOpenDisplay(nullptr);
  }();
  return d;
}

Window Root() { return DefaultRootWindow(X()); }

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
  QElapsedTimer t;
  t.start();
  if (!QCoreApplication::instance()) usleep(ms * 1000);
  while (QCoreApplication::instance() && t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void HotKey(char key) {
  const std::string k(1, key);
  Shell("xdotool keydown alt keydown " + k + " sleep 0.6 keyup " + k + " keyup alt");
}

void Keys(const std::string& window, const std::string& keys) {
  // Through the window manager when it offers to; otherwise straight to the window.
  if (Shell("xdotool windowactivate --sync " + window + " 2>/dev/null") != 0)
    Shell("xdotool windowfocus --sync " + window);
  Shell("xdotool sleep 1 " + keys);
}

void CoreApp() {
  static int argc = 1;
  static char name[] = "e2e";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

std::string WindowNamed(const std::string& title) {
  std::string id;
  Shell("xdotool search --onlyvisible --name '" + title + "' 2>/dev/null | head -1", &id);
  return Trimmed(id);
}

std::string AwaitWindow(const std::string& title, int ms) {
  std::string id;
  WaitFor([&] { return !(id = WindowNamed(title)).empty(); }, ms);
  return id;
}

bool AwaitGone(const std::string& title, int ms) {
  return WaitFor([&] { return WindowNamed(title).empty(); }, ms);
}

QImage Shot(const std::string& window, const std::filesystem::path& shot) {
  if (Shell("import -window " + window + " '" + shot.string() + "' 2>/dev/null") != 0)
    return QImage();
  return QImage(QString::fromStdString(shot.string())).convertToFormat(QImage::Format_RGB32);
}

int CountPixels(const std::string& window, const std::filesystem::path& shot, bool (*pred)(QRgb)) {
  const QImage img = Shot(window, shot);
  int n = 0;
  for (int y = 0; y < img.height(); y += 4)
    for (int x = 0; x < img.width(); x += 4) n += pred(img.pixel(x, y));
  return img.isNull() ? -1 : n;
}

E2eProgram::E2eProgram() {
  const std::string h = home_.path().string();
  for (const char* dir : {"run", "data", "config", "schemas", "tmp"})
    std::filesystem::create_directories(home_.path() / dir);
  chmod((h + "/run").c_str(), 0700);
  // Never the machine's own desktop settings: no session bus, and a stand-in
  // for xfconf's tool that finds no service.
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
}

std::string E2eProgram::EnvPrefix() const {
  std::string s;
  for (const auto& [k, v] : env_) s += k + "='" + v + "' ";
  return s;
}

void E2eProgram::WriteOptions(const std::string& utf8Text) {
  WriteFile(folder_.path() / "Options.ini",
            QString::fromStdString(utf8Text).toLatin1().toStdString());
}

std::string E2eProgram::Option(const std::string& section, const std::string& key) const {
  return settings::IniRead(section, key, (folder_.path() / "Options.ini").string());
}

void E2eProgram::RunAs(uid_t uid, gid_t gid) {
  uid_ = uid;
  gid_ = gid;
  for (const TempDir* dir : {&home_, &folder_}) {
    chown(dir->path().c_str(), uid, gid);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir->path()))
      lchown(entry.path().c_str(), uid, gid);
  }
}

pid_t E2eProgram::Spawn() const {
  const char* exe = installed_.empty() ? std::getenv("WW_EXE") : installed_.c_str();
  const pid_t p = exe ? fork() : -1;
  if (p != 0) return p;
  for (const auto& name : unset_) unsetenv(name.c_str());
  for (const auto& [k, v] : env_) setenv(k.c_str(), v.c_str(), 1);
  if (!binds_.empty() && (unshare(CLONE_NEWNS) != 0 ||
                          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0))
    _exit(125);
  for (const auto& [source, target] : binds_)
    if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) _exit(125);
  if (uid_ != 0 && (setgroups(0, nullptr) != 0 || setresgid(gid_, gid_, gid_) != 0 ||
                    setresuid(uid_, uid_, uid_) != 0))
    _exit(126);
  if (installed_.empty())
    execl(exe, exe, "--program-folder", folder_.path().c_str(), nullptr);
  else
    execl(exe, exe, nullptr);
  _exit(127);
}

bool E2eProgram::Start() {
  pid_ = Spawn();
  const auto shown = [&] {
    return (window_ = WindowWithRole("ShapedForm")) && !Geometry().isEmpty();
  };
  return pid_ > 0 && WaitFor(shown, 15000);
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

QRect E2eProgram::Geometry(unsigned long other) const {
  const Window w = other ? other : window_;
  XWindowAttributes a{};
  if (!w || !XGetWindowAttributes(X(), w, &a)) return QRect();
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(X(), w, Root(), 0, 0, &x, &y, &child);
  return QRect(x, y, a.width, a.height);
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

bool E2eProgram::Viewable() const {
  XWindowAttributes a{};
  return window_ && XGetWindowAttributes(X(), window_, &a) && a.map_state == IsViewable;
}

std::string E2eProgram::Xprop(const char* property) const {
  std::string out;
  Shell("xprop -id " + std::to_string(window_) + " " + property, &out);
  return out;
}

QImage E2eProgram::Picture() const {
  const QRect g = Geometry();
  XImage* img =
      g.isEmpty() ? nullptr : XGetImage(X(), Root(), g.x(), g.y(), 64, 64, AllPlanes, ZPixmap);
  if (!img) return QImage();
  QImage out(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) out.setPixel(x, y, 0xFF000000u | XGetPixel(img, x, y));
  XDestroyImage(img);
  return out;
}

bool E2eProgram::OpenMenu() const {
  const QRect g = Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 40) +
        " click 3");
  return WaitFor([&] { return MenuShown(); }, 3000);
}

bool E2eProgram::MenuShown() const {
  return Windows("xwininfo -id $w").find("Override Redirect State: yes") != std::string::npos;
}

bool E2eProgram::Menu(const std::string& keys) const {
  return OpenMenu() && Shell("xdotool key " + keys) == 0;
}

void E2eProgram::Hover() const {
  const QRect g = Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 30) + " " + std::to_string(g.y() + 40) +
        " sleep 0.2 mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 42));
}

bool E2eProgram::ShowsFull(int ms) const {
  const QRegion empty = Silhouette("ImgDefaultEmpty");
  return WaitFor([&] { return !Shape().isEmpty() && Shape() != empty; }, ms);
}

std::string E2eProgram::TrashCli(const std::string& args, int* status) const {
  std::string out;
  const int rc = Shell(EnvPrefix() + "trash-" + args + " 2>/dev/null", &out);
  if (status) *status = rc;
  return out;
}

bool E2eProgram::TrashPut(const std::string& name) {
  WriteFile(home() / name, name);
  int status = -1;
  TrashCli("put '" + (home() / name).string() + "'", &status);
  return status == 0;
}

std::filesystem::path E2eProgram::NoteOpens() {
  const std::filesystem::path notes = home() / "opened.txt";
  WriteFile(home() / "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + notes.string() + "'\n");
  chmod((home() / "bin/xdg-open").c_str(), 0755);
  return notes;
}

}  // namespace testsupport
