#pragma once
// The dictionary look-up: one Spanish word searched on the dictionary's site,
// the answer shown inside the window.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "platform/WebBrowser.h"
#include "tools/OneWindow.h"

namespace tools {

// The search word as it goes into an address: the characters that would
// change the address's meaning are escaped, everything else stays as typed.
QString EncodeSearchWord(const QString& word);

class FrmRae : public OneWindowOf<FrmRae> {
  Q_OBJECT
 public:
  FrmRae();
  ~FrmRae() override;

  // Opens the window, or only brings it forward when it is open.
  static FrmRae* Open();

  void Form_Load() override;
  void CmdOK_Click();
  void TextSearch_KeyPress(int& keyAscii);
  void ComReset_Click();
  void WebBrowser1_ProgressChange(int progress, int progressMax);

  platform::WebBrowser* WebBrowser1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* TextSearch = nullptr;
  QPushButton* CmdOK = nullptr;
  QPushButton* ComReset = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

 protected:
  void Form_Unload() override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Search(const QString& addressStart);
  std::unique_ptr<platform::WebBrowser> browser_;
};

}  // namespace tools
