#pragma once
// The comments form of the program's web server, shown inside a window.
#include <QWidget>
#include <memory>

#include "platform/WebBrowser.h"

namespace tools {

class FrmComment : public QWidget {
  Q_OBJECT
 public:
  FrmComment();
  ~FrmComment() override;

  // Shows the window; an open one is only brought forward, its page kept.
  static FrmComment* Open();
  static FrmComment* Current();
  // The page's address: the update folder + "envia_form_php.php".
  static QString PageAddress();

  void Form_Load();
  void WebBrowserComment_NewWindow2(bool& cancel);

  platform::WebBrowser* WebBrowserComment = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<platform::WebBrowser> browser_;
  bool unloaded_ = false;
};

}  // namespace tools
