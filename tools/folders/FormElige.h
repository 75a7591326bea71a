#pragma once
// "Operaciones con carpetas": list, empty or remove a chosen folder, make a
// folder through the browse dialog, delete one file. Deletions are final.
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "platform/FileSystem.h"
#include "tools/ListingView.h"
#include "tools/Tool.h"

namespace tools {

class FormElige : public QWidget {
  Q_OBJECT
 public:
  explicit FormElige(QWidget* parent = nullptr);

  void CommandElige_Click();
  void XPButtonCrear_Click();
  void XPButtonVaciar_Click();
  void XPButtonDelete_Click();
  void XPButtonDeleteFile_Click();
  void CommandExit_Click();

  // Appends the pre-order listing of `folder`; nothing for empty text.
  void ListarCarpeta(const QString& folder);
  // Deletes everything inside the current folder, skipping what resists; what
  // the deletion service refused, if it refused, and the homes it left inside.
  platform::DeleteReport VaciarCarpeta();

  const QString& CurrentFolder() const { return folder_; }

  QPushButton* CommandElige;
  QPushButton* XPButtonCrear;
  QPushButton* XPButtonVaciar;
  QPushButton* XPButtonDelete;
  QPushButton* XPButtonDeleteFile;
  QPushButton* CommandExit;
  ListingView* List1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();
  // A message with nothing after it, gone with the window.
  void Tell(const QString& text, int style, const QString& title);
  void DeleteFile(const QString& file);
  // Shows why the current folder was not emptied or removed; false when it was not refused.
  bool Refused(platform::Guarded why);
  // Names the homes that an emptying found inside and left whole.
  void TellHomesLeft(const std::vector<std::filesystem::path>& homes);
  // Says so when a name came back from a dialog with bytes it could not read.
  bool UnreadableName(const QString& path);

  QString folder_;   // a cancelled dialog leaves it empty on purpose
  QObject* asking_;  // the open dialogs' and questions' context: deleted when the window closes
};

class FoldersTool final : public WindowTool<FormElige> {
 public:
  FoldersTool();
};

}  // namespace tools
