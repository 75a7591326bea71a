#pragma once
// The temporary-folder cleaner: lists the folder, measures it, empties it
// and tells the space gained.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/FileSystem.h"
#include "tools/ListingView.h"
#include "tools/Tool.h"

namespace tools {

// The temporary folder with its trailing separator ($TMPDIR, else /tmp/), as
// bytes: what is deleted is named by these, never by a decoded text.
std::string TempDirPath();
// The same for showing (bytes that are not text may come out changed).
QString GetTempDir();

class FormTempDir : public QWidget {
  Q_OBJECT
 public:
  explicit FormTempDir(QWidget* parent = nullptr);

  void CommandMostrar_Click();
  void CommandBorrar_Click();
  void CommandSalir_Click();
  // Adds the lines of `folder` and of everything below it to the list.
  void ListarCarpeta(const std::string& folder);

  ListingView* ListTempDir;
  QLabel* LabelTempDir;
  QLabel* LabelOkupa;
  QLabel* LabelGanado;
  QPushButton* CommandMostrar;
  QPushButton* CommandBorrar;
  QPushButton* CommandSalir;
  QStatusBar* StatusBar1;
  QLabel* StatusPanel1;  // the status texts
  QLabel* StatusDate;
  QLabel* StatusTime;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowClock();
  void Form_Resize();

  // Why `folder_` may not be emptied, or empty text.
  QString Refusal(platform::Guarded why) const;
  void Refuse(const QString& why);
  // "Carpeta temporal no encontrada!", then `then` once it is answered.
  void NotFound(std::function<void()> then);
  // What "Borrar" does once the question is answered with OK.
  void Empty(const platform::FolderCheck& check);

  std::string folder_;  // what "Mostrar" listed: "Borrar" empties exactly this
  QTimer clock_;
  QObject* asking_;  // the open questions' context: deleted when the window closes
};

class TempDirTool final : public WindowTool<FormTempDir> {
 public:
  TempDirTool();
};

}  // namespace tools
