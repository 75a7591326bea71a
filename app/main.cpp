#include <QApplication>
#include <QPointer>
#include <cstdio>

#include "app/Inicio.h"
#include "app/settings/ProgramFolder.h"
#include "bin/ShapedForm.h"
#include "platform/EndSignals.h"

namespace {

constexpr std::size_t kFolderOptionLength = sizeof("--program-folder=") - 1;

void Usage() { std::fputs("Uso: WasteWell [--program-folder CARPETA]\n", stderr); }

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folderOverride;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--program-folder" && i + 1 < argc) {
      folderOverride = argv[++i];
    } else if (arg.rfind("--program-folder=", 0) == 0 && arg.size() > kFolderOptionLength) {
      folderOverride = arg.substr(kFolderOptionLength);
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
  platform::WatchEndSignals(&qapp, [&form] {
    if (form)
      form->close();
    else
      QCoreApplication::quit();
  });

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
