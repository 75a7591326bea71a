#include "app/Inicio.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include "app/ToolTable.h"
#include "bin/ShapedForm.h"
#include "platform/DesktopLayer.h"
#include "platform/DesktopSession.h"
#include "platform/KeyState.h"
#include "platform/Notification.h"
#include "platform/RecycleBin.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/TrashFolder.h"

namespace app {

bin::BinServices SystemServices(const std::filesystem::path& executable) {
  bin::BinServices s;
  s.recycleBin = platform::MakeRecycleBin();
  s.makeRecycleBin = [] { return platform::MakeRecycleBin(); };
  s.session = platform::MakeDesktopSession();
  s.makeKeyState = [] { return platform::MakeKeyState(); };
  s.playWave = [](const std::filesystem::path& f) { platform::PlayWaveFile(f); };
  s.isOnlyInstance = [executable] { return platform::AcquireSingleInstance(executable); };
  s.osVersionText = [] { return platform::OSVersionText(); };
  s.notify = [](const std::string& text) { platform::ShowNotification(text); };
  s.attachToDesktop = [](QWidget* w) { platform::AttachToDesktop(w->winId()); };
  // The bin lives in the services as long as this does.
  platform::RecycleBin* trash = s.recycleBin.get();
  s.openTrashFolder = [trash] { platform::OpenTrashFolder(trash->homeTrashFilesFolder()); };
  return s;
}

bin::ShapedForm* Main(const std::filesystem::path& executable) {
  auto* form = new bin::ShapedForm(SystemServices(executable), ToolTable());
  form->setAttribute(Qt::WA_DeleteOnClose);
  if (!form->Form_Load()) {
    delete form;
    return nullptr;
  }
  form->HideDesktopTrashIcon();
  return form;
}

bool LoadQtTranslations() {
  auto* qt = new QTranslator(QCoreApplication::instance());
  if (!qt->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qt;
    return false;
  }
  return QCoreApplication::installTranslator(qt);
}

}  // namespace app
