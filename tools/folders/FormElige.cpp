#include "tools/folders/FormElige.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <filesystem>
#include <string>

#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "tools/Access.h"
#include "tools/folders/ModuleGetFolder.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

fs::path Native(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

// What the deletion service answered, as the window says it. The dialogs
// start at the root, one click away from destroying everything below it.
QString Protection(const QString& folder, platform::Guarded why) {
  switch (why) {
    case platform::Guarded::kRoot:
      return QStringLiteral(
                 "La carpeta \"%1\" es la raíz del sistema de archivos: no se vacía ni "
                 "se elimina.")
          .arg(folder);
    case platform::Guarded::kHome:
      return QStringLiteral(
                 "La carpeta \"%1\" es la carpeta personal del usuario: no se vacía ni "
                 "se elimina.")
          .arg(folder);
    case platform::Guarded::kHoldsHome:
      return QStringLiteral(
                 "La carpeta \"%1\" contiene la carpeta personal del usuario: no se vacía ni "
                 "se elimina.")
          .arg(folder);
    case platform::Guarded::kChanged:
      return QStringLiteral("La carpeta \"%1\" ha cambiado: no se vacía ni se elimina.")
          .arg(folder);
    case platform::Guarded::kNo:
      break;
  }
  return {};
}

const QString kNoFolder = QStringLiteral("No has elegido ninguna carpeta");

// The dialogs give names as text: bytes that are not UTF-8 come back as
// U+FFFD, and encoded again they name another entry ("t\xff" would become
// "t\xef\xbf\xbd", perhaps a sibling). Nothing is deleted by such a name.
bool Unreadable(const QString& path) { return path.contains(QChar::ReplacementCharacter); }

}  // namespace

FormElige::FormElige(QWidget* parent) : QWidget(parent), asking_(new QObject(this)) {
  setObjectName("FormElige");
  setWindowTitle(QStringLiteral("Operaciones con carpetas"));
  resize(560, 360);

  List1 = new ListingView(this);
  List1->setObjectName("List1");
  auto button = [this](const char* name, const char* caption, void (FormElige::*handler)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
  };
  CommandElige = button("CommandElige", "Abrir Carpeta", &FormElige::CommandElige_Click);
  XPButtonCrear = button("XPButtonCrear", "Crear Carpeta", &FormElige::XPButtonCrear_Click);
  XPButtonVaciar = button("XPButtonVaciar", "Vaciar Carpeta", &FormElige::XPButtonVaciar_Click);
  XPButtonDelete = button("XPButtonDelete", "Eliminar Carpeta", &FormElige::XPButtonDelete_Click);
  XPButtonDeleteFile =
      button("XPButtonDeleteFile", "Eliminar Archivo", &FormElige::XPButtonDeleteFile_Click);
  CommandExit = button("CommandExit", "Salir", &FormElige::CommandExit_Click);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b :
       {CommandElige, XPButtonCrear, XPButtonVaciar, XPButtonDelete, XPButtonDeleteFile})
    buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(CommandExit);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(List1, 1);
  layout->addLayout(buttons);
  Name(List1, QStringLiteral("Contenido de la carpeta"));
  WindowKeys(this, [this] { CommandExit->click(); });

  Form_Load();
}

void FormElige::Form_Load() { List1->SetTabStops({30, 60}); }

void FormElige::ListarCarpeta(const QString& folder) {
  // The text names another folder than the one chosen: its contents are not the chosen one's.
  if (folder.isEmpty() || Unreadable(folder)) return;
  QStringList lines;
  platform::ListTree(Native(folder), [&lines](const std::string& line) {
    lines.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
  });
  List1->AddLines(lines);
}

platform::DeleteReport FormElige::VaciarCarpeta() {
  if (folder_.isEmpty()) return {};
  platform::DeleteOptions options;
  // A file that a running program holds stays, as it would on Windows.
  options.keepInUse = true;
  return platform::DeleteContents(Native(folder_), options);
}

void FormElige::Tell(const QString& text, int style, const QString& title) {
  platform::MsgBoxThen(text, style, title, this, asking_, nullptr);
}

bool FormElige::UnreadableName(const QString& path) {
  if (!Unreadable(path)) return false;
  Tell(QStringLiteral("El nombre \"%1\" tiene caracteres que no se pueden leer: no se "
                      "vacía ni se elimina.")
           .arg(path),
       platform::kExclamation, QStringLiteral("Error"));
  return true;
}

void FormElige::TellHomesLeft(const std::vector<fs::path>& homes) {
  QStringList texts;
  for (const fs::path& home : homes)
    texts.append(Protection(QFile::decodeName(QByteArray::fromStdString(home.string())),
                            platform::Guarded::kHome));
  if (!texts.isEmpty()) Tell(texts.join('\n'), platform::kExclamation, QStringLiteral("Error"));
}

bool FormElige::Refused(platform::Guarded why) {
  const QString text = Protection(folder_, why);
  if (text.isEmpty()) return false;
  Tell(text, platform::kExclamation, QStringLiteral("Error"));
  return true;
}

void FormElige::CommandElige_Click() {
  List1->Clear();
  ModuleGetFolder::BrowseForFolderPath(this, asking_, QStringLiteral("Selecciona un Directorio:"),
                                       QStringLiteral("c:\\"), [this](const QString& folder) {
                                         folder_ = folder;
                                         if (folder_.isEmpty()) return;
                                         List1->AddLines({folder_});
                                         ListarCarpeta(folder_);
                                       });
}

void FormElige::XPButtonCrear_Click() {
  // The user makes the folder, if at all, with the dialog's own button.
  ModuleGetFolder::BrowseForFolderPathEx(this, asking_, QStringLiteral("C:\\"),
                                         QStringLiteral("Seleccionar Carpeta:"), false, true,
                                         [this](const QString& folder) {
                                           folder_ = folder;
                                           ListarCarpeta(folder_);
                                         });
}

void FormElige::XPButtonVaciar_Click() {
  if (folder_.isEmpty()) {
    Tell(kNoFolder, platform::kExclamation, QStringLiteral("Error"));
    return;
  }
  if (UnreadableName(folder_)) return;
  const platform::DeleteReport report = VaciarCarpeta();
  if (Refused(report.refused)) return;
  List1->Clear();
  List1->AddLines({folder_});
  ListarCarpeta(folder_);
  TellHomesLeft(report.homes);
}

void FormElige::XPButtonDelete_Click() {
  if (folder_.isEmpty()) {
    Tell(kNoFolder, platform::kExclamation, QStringLiteral("Error"));
    return;
  }
  if (UnreadableName(folder_)) return;
  const platform::DeleteReport report = VaciarCarpeta();
  if (Refused(report.refused)) return;
  // Whatever resisted keeps the folder, and the list shows what was there.
  platform::Guarded why = platform::Guarded::kNo;
  if (platform::RemoveEmptyFolder(Native(folder_), &why) != 0) {
    if (!Refused(why)) TellHomesLeft(report.homes);
    return;
  }
  List1->Clear();
}

void FormElige::XPButtonDeleteFile_Click() {
  // "*": a name without a dot is a file too.
  platform::OpenFileName(
      this, asking_,
      platform::FileRequest{QStringLiteral("Abrir"), QStringLiteral("Todos los archivos (*)")},
      [this](const QString& file) {
        if (file.isEmpty() || UnreadableName(file)) return;
        platform::MsgBoxThen(QStringLiteral("¿Desea eliminar este archivo? ") + file,
                             platform::kYesNo, QStringLiteral("Info-Respuesta"), this, asking_,
                             [this, file](int answer) {
                               if (answer == platform::kAnswerYes) DeleteFile(file);
                             });
      });
}

void FormElige::DeleteFile(const QString& file) {
  const int err = platform::DeleteOneFile(Native(file));
  if (err == 0) {
    Tell(QStringLiteral("Archivo eliminado!"), platform::kInformation, QStringLiteral("Info"));
    return;
  }
  Tell(QStringLiteral("No se pudo eliminar el archivo %1: %2.")
           .arg(file, QString::fromStdString(platform::ErrorDescription(err))),
       platform::kExclamation, QStringLiteral("Error"));
}

void FormElige::CommandExit_Click() { close(); }

void FormElige::closeEvent(QCloseEvent* event) {
  // Its dialogs and questions go with it, unanswered: nothing is deleted later.
  delete asking_;
  asking_ = new QObject(this);
  OneWindow<FormElige>::Closed(this);
  QWidget::closeEvent(event);
}

FoldersTool::FoldersTool()
    : WindowTool({MenuPlace::Utilities, "MnuUtils",
                  QStringLiteral("Vaciar/Crear/Eliminar -- Alt + x"), 'X'}) {}

}  // namespace tools
