#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "app/Inicio.h"
#include "app/ProgramFolder.h"
#include "bin/ShapedForm.h"

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char b = 1;
  [[maybe_unused]] ssize_t n = write(signalPipe[1], &b, 1);
}

void Usage() { std::fputs("Uso: WasteWell [--program-folder CARPETA]\n", stderr); }

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folderOverride;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--program-folder" && i + 1 < argc) {
      folderOverride = argv[++i];
    } else if (arg.rfind("--program-folder=", 0) == 0 && arg.size() > 17) {
      folderOverride = arg.substr(17);
    } else if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    } else if (arg.rfind("--program-folder", 0) == 0) {
      Usage();  // the folder is missing
      return 2;
    }
  }

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("WasteWell"));
  QApplication::setQuitOnLastWindowClosed(false);

  const std::filesystem::path exe = QCoreApplication::applicationFilePath().toStdString();
  if (!folderOverride.empty()) {
    std::error_code ec;
    folderOverride = std::filesystem::absolute(folderOverride, ec);
    app::SetProgramFolderOverride(folderOverride);
    app::SetProgramFolder(folderOverride);
  } else {
    app::SetProgramFolder(QCoreApplication::applicationDirPath().toStdString());
  }

  // An end by the system runs the unload handler, then the process ends; the
  // handlers are in place before the bin window loads.
  QPointer<bin::ShapedForm> form;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &qapp);
    QObject::connect(notifier, &QSocketNotifier::activated, &qapp, [&form] {
      char b;
      [[maybe_unused]] ssize_t n = read(signalPipe[0], &b, 1);
      if (form)
        form->close();
      else
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
  }

  form = app::Main(exe);
  if (!form) return 0;
  QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &qapp, [&form] {
    if (form) form->close();
  });
  QObject::connect(&qapp, &QCoreApplication::aboutToQuit, &qapp, [&form] {
    if (form) form->Form_Unload();
  });
  return qapp.exec();
}
