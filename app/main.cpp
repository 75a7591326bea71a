#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Inicio.h"
#include "bin/ShapedForm.h"
#include "platform/EndSignals.h"
#include "platform/System.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr std::size_t kFolderOptionLength = sizeof("--program-folder=") - 1;

void Help(std::FILE* to, const std::string& name) {
  std::fprintf(
      to,
      "Uso: %s [--program-folder CARPETA]\n"
      "Papelera de reciclaje en el escritorio.\n"
      "\n"
      "  --program-folder CARPETA  guarda Options.ini y los archivos del programa en\n"
      "                            CARPETA, que se crea si no existe\n"
      "  --help                    muestra esta ayuda y termina\n"
      "  --version                 muestra la versión y termina\n"
      "\n"
      "Sin --program-folder, la carpeta del programa es la del ejecutable cuando se\n"
      "puede escribir en ella; si no, $XDG_DATA_HOME/WasteWell (~/.local/share/WasteWell).\n"
      "Necesita X11: en una sesión Wayland funciona a través de XWayland.\n",
      name.c_str());
}

// Every end goes through the bin window's close: from there on no other
// window may hold the end back.
class EndWatch : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) platform::SetProgramEnding();
    return QObject::eventFilter(watched, event);
  }
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name =
      std::filesystem::path(argc > 0 && argv[0] ? argv[0] : "WasteWell").filename().string();
  std::filesystem::path folderOverride;
  // What goes on to Qt: the program name and the few Qt options a session or a
  // user may give.
  std::vector<char*> qtArgs{argv[0]};
  std::string platformName = Env("QT_QPA_PLATFORM");
  std::string display = Env("DISPLAY");
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--program-folder" && i + 1 < argc) {
      folderOverride = argv[++i];
    } else if (arg.rfind("--program-folder=", 0) == 0 && arg.size() > kFolderOptionLength) {
      folderOverride = arg.substr(kFolderOptionLength);
    } else if (arg == "--help" || arg == "-h") {
      Help(stdout, name);
      return 0;
    } else if (arg == "--version") {
      std::printf("WasteWell %s\n", WW_VERSION);
      return 0;
    } else if ((arg == "-platform" || arg == "-display" || arg == "-session") && i + 1 < argc) {
      if (arg == "-platform") platformName = argv[i + 1];
      if (arg == "-display") display = argv[i + 1];
      qtArgs.push_back(argv[i]);
      qtArgs.push_back(argv[++i]);
    } else {
      Help(stderr, name);
      return 2;
    }
  }

  // The bin needs X11 (desktop layer, input shape, global key state): in a
  // Wayland session it goes through XWayland, unless the user chose otherwise.
  const bool platformChosen = !platformName.empty();
  if ((!platformChosen || platformName.rfind("xcb", 0) == 0) && display.empty()) {
    std::fputs(
        "WasteWell necesita un servidor X11 y DISPLAY no está definida. En una sesión "
        "Wayland, active XWayland.\n",
        stderr);
    return 1;
  }
  static char platformOption[] = "-platform";
  static char x11[] = "xcb";
  if (!platformChosen) {
    qtArgs.push_back(platformOption);
    qtArgs.push_back(x11);
  }

  const std::filesystem::path exe = platform::ExecutablePath();
  const settings::FolderChoice folders =
      settings::ChooseProgramFolder(exe.parent_path(), folderOverride, WW_SHIPPED_FROM_BIN);
  if (!folders.error.empty()) {
    std::fputs(folders.error.c_str(), stderr);
    return folderOverride.empty() ? 1 : 2;
  }
  if (!folderOverride.empty()) settings::SetProgramFolderOverride(folders.folder);
  settings::SetProgramFolder(folders.folder);
  settings::SetShippedFolder(folders.shipped);

  int qtArgc = static_cast<int>(qtArgs.size());
  qtArgs.push_back(nullptr);
  QApplication qapp(qtArgc, qtArgs.data());
  QApplication::setApplicationName(QStringLiteral("WasteWell"));
  QApplication::setQuitOnLastWindowClosed(false);
  app::LoadQtTranslations();

  // An end by the system runs the unload handler, then the process ends; the
  // handlers are in place before the bin window loads.
  QPointer<bin::ShapedForm> form;
  platform::WatchEndSignals(&qapp, [&form] {
    platform::SetProgramEnding();
    if (form)
      form->close();
    else
      QCoreApplication::quit();
  });

  form = app::Main(exe);
  if (!form) return 0;
  form->installEventFilter(new EndWatch(&qapp));
  // Should anything still cancel the quit, the bin window's going ends the run.
  QObject::connect(form, &QObject::destroyed, &qapp, [] { QCoreApplication::exit(0); });
  QObject::connect(&qapp, &QGuiApplication::commitDataRequest, &qapp, [&form] {
    if (form) form->close();
  });
  QObject::connect(&qapp, &QCoreApplication::aboutToQuit, &qapp, [&form] {
    if (form) form->Form_Unload();
  });
  return qapp.exec();
}
