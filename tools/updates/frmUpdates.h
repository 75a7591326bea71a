#pragma once
// The update checker: fetches the published update info, offers a newer
// release, downloads its setup, starts it and ends the program.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/HttpTransfer.h"
#include "tools/OneWindow.h"

namespace tools {

class frmUpdates : public OneWindowOf<frmUpdates> {
  Q_OBJECT
 public:
  // unloadAllForms ends the program once the setup was handed over.
  explicit frmUpdates(std::function<void()> unloadAllForms);
  ~frmUpdates() override;

  // Opens the window, or only brings it forward when it is open.
  static frmUpdates* Open(std::function<void()> unloadAllForms);

  void CommandCheck_Click();
  void Command2_Click();

  QLabel* Label3 = nullptr;
  QLineEdit* TextSite = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* TextFile = nullptr;
  QPushButton* CommandCheck = nullptr;
  QPushButton* Command2 = nullptr;
  QLabel* LabelDown = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QTimer* TimerUpdates = nullptr;
  platform::HttpTransfer* Inet1 = nullptr;

 private:
  void Form_Load() override;
  void BringForward() override;
  // Only the user is held off during the download; the program's end is not.
  bool MayClose() override;
  void Form_Unload() override;
  void TimerUpdates_Timer();
  void Inet1_StateChanged(int state);
  void LanzarSetup();
  QString Folder(const QString& name) const;
  void Unload();
  // Shows the state-11 message and closes the window.
  void TransferFailed();
  void CannotDownload();
  void Offer();
  void StartSetupDownload();
  void SetupWritten(bool complete, qint64 total, qint32 announced);
  // Runs step once other pending events had their turn, unless the window
  // closed meanwhile.
  void Later(std::function<void()> step);
  // Shows a box over the window; then runs with the answer unless the window
  // closed meanwhile.
  void Ask(const QString& text, int style, const QString& title, std::function<void(int)> then);

  std::function<void()> unloadAllForms_;
  std::unique_ptr<platform::HttpTransfer> inet_;
  QString targetPath_;
  QString currentVersion_;
  QString currentDate_;
  QStringList fields_;
  QString setupUrl_;
  bool checkFlag_ = false;
  bool setupFlag_ = false;
  bool setupWhole_ = false;
  std::int16_t ticks_ = 0;
  float percent_ = 0;
};

}  // namespace tools
