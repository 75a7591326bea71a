#pragma once
// The temporary-folder cleaner: lists the folder, measures it, empties it
// and tells the space gained.
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "tools/ListingView.h"
#include "tools/Tool.h"

namespace tools {

// The temporary folder with its trailing separator ($TMPDIR, else /tmp/).
QString GetTempDir();

// Why the cleaner must not empty `folder`, or empty text: the file system's
// root, the user's home folder and relative paths are never emptied.
QString RefusalToEmpty(const QString& folder);

class FormTempDir : public QWidget {
  Q_OBJECT
 public:
  explicit FormTempDir(QWidget* parent = nullptr);

  void CommandMostrar_Click();
  void CommandBorrar_Click();
  void CommandSalir_Click();
  // Adds the lines of `folder` and of everything below it to the list.
  void ListarCarpeta(const QString& folder);

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
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowClock();
  void Form_Resize();

  QString folder_;  // what "Mostrar" listed: "Borrar" empties exactly this
  QTimer clock_;
};

class TempDirTool final : public WindowTool<FormTempDir> {
 public:
  TempDirTool();
};

}  // namespace tools
