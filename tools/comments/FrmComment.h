#pragma once
// The comments form of the program's web server, shown inside a window.
#include <QWidget>
#include <memory>

#include "platform/WebBrowser.h"
#include "tools/OneWindow.h"

namespace tools {

class FrmComment : public OneWindowOf<FrmComment> {
  Q_OBJECT
 public:
  FrmComment();
  ~FrmComment() override;

  // Shows the window; an open one is only brought forward, its page kept.
  static FrmComment* Open();
  // The page's address: the update folder + "envia_form_php.php".
  static QString PageAddress();

  void Form_Load() override;
  void WebBrowserComment_NewWindow2(bool& cancel);

  platform::WebBrowser* WebBrowserComment = nullptr;

 private:
  void BringForward() override;
  void Form_Unload() override;
  std::unique_ptr<platform::WebBrowser> browser_;
};

}  // namespace tools
