#include "app/Inicio.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/ToolTable.h"
#include "bin/ShapedForm.h"

namespace app {

bin::ShapedForm* Main(const std::filesystem::path& executable) {
  auto* form = new bin::ShapedForm(bin::BinServices::System(executable), ToolTable());
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
