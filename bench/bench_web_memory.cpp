// Resident memory: the bin alone (the real program), a process with the
// program's libraries before and after its first web window opens, and a
// bare Qt WebEngine "hello" program. The engine's helper processes are
// counted apart.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/WebBrowser.h"
#include "settings/ProgramFolder.h"
#include "tools/rae/FrmRae.h"

namespace {

long RssKb(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// The resident memory of every descendant of pid.
long ChildrenRssKb(long pid) {
  long sum = 0;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool ok = false;
    const long child = entry.toLong(&ok);
    if (!ok) continue;
    std::ifstream in("/proc/" + std::to_string(child) + "/status");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("PPid:", 0) == 0 && std::stol(line.substr(5)) == pid)
        sum += RssKb(child) + ChildrenRssKb(child);
  }
  return sum;
}

double Mb(long kb) { return kb / 1024.0; }

// Starts a program, waits for it to settle (or to print "ready"), measures.
std::pair<long, long> Measure(const QString& program, const QStringList& args, bool waitReady,
                              const QProcessEnvironment& env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.start(program, args);
  if (!p.waitForStarted(10000)) return {0, 0};
  if (waitReady) {
    while (p.state() == QProcess::Running && !p.readAllStandardOutput().contains("ready"))
      p.waitForReadyRead(30000);
  } else {
    p.waitForFinished(4000);  // the program settles
  }
  const long pid = p.processId();
  if (pid <= 0) {
    std::fprintf(stderr, "%s ended early: %s\n", qPrintable(program),
                 p.readAllStandardError().left(400).constData());
    return {0, 0};
  }
  const std::pair<long, long> r{RssKb(pid), ChildrenRssKb(pid)};
  ::kill(pid, SIGTERM);
  if (!p.waitForFinished(10000)) p.kill();
  p.waitForFinished(3000);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--window") {
    // The web window's side: the program's libraries, the first web window.
    QApplication app(argc, argv);
    settings::SetProgramFolder(argv[2]);
    QTimer::singleShot(2000, [] {
      std::printf("before %ld\n", RssKb(getpid()));
      std::fflush(stdout);
      tools::FrmRae* f = tools::FrmRae::Open();
      // The start page goes in on a later turn; measured once it has loaded.
      QTimer::singleShot(100, f, [f] {
        f->WebBrowser1->WhenIdle(f, [](bool) {
          QTimer::singleShot(1500, [] {
            std::printf("after %ld %ld\nready\n", RssKb(getpid()), ChildrenRssKb(getpid()));
            std::fflush(stdout);
          });
        });
      });
    });
    return app.exec();
  }

  QApplication app(argc, argv);
  const QString dir = QCoreApplication::applicationDirPath();
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // The program's settings and the desktop's stay private to this run.
  env.insert("HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.path() + "/config");
  env.insert("XDG_DATA_HOME", home.path() + "/data");
  env.insert("GSETTINGS_BACKEND", "memory");
  // The peer runs as ours does: as root, without the engine's sandbox.
  if (geteuid() == 0) env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QDir().mkpath(home.path() + "/prog");
  QFile::copy(QString(WW_SOURCE_DIR) + "/assets/rae.htm", home.path() + "/prog/rae.htm");

  const auto bin = Measure(QString(WW_BUILD_DIR) + "/WasteWell",
                           {"--program-folder", home.path() + "/prog"}, false, env);

  QProcess w;
  w.setProcessEnvironment(env);
  w.start(QCoreApplication::applicationFilePath(), {"--window", home.path() + "/prog"});
  w.waitForStarted();
  QByteArray out;
  while (w.state() == QProcess::Running && !out.contains("ready")) {
    w.waitForReadyRead(60000);
    out += w.readAllStandardOutput();
  }
  if (w.processId() > 0) ::kill(w.processId(), SIGTERM);
  w.waitForFinished(10000);
  long before = 0, after = 0, afterChildren = 0;
  std::sscanf(out.constData(), "before %ld\nafter %ld %ld", &before, &after, &afterChildren);

  const auto peer = Measure(dir + "/peer_web_hello", {}, true, env);

  std::printf("resident memory, MB      ours            peer (bare WebEngine hello)\n");
  std::printf("bin alone (WasteWell)    %6.1f\n", Mb(bin.first));
  std::printf("before first web window  %6.1f\n", Mb(before));
  std::printf("after first web window   %6.1f          %6.1f   ratio %.2f\n", Mb(after),
              Mb(peer.first), peer.first ? double(after) / peer.first : 0.0);
  std::printf("  engine helpers         %6.1f          %6.1f   ratio %.2f\n", Mb(afterChildren),
              Mb(peer.second), peer.second ? double(afterChildren) / peer.second : 0.0);
  std::printf("bin alone / peer         %.2f (bin under 40 MB: %s)\n",
              peer.first ? double(bin.first) / peer.first : 0.0,
              bin.first > 0 && bin.first < 40 * 1024 ? "yes" : "NO");
  return 0;
}
