#pragma once
// The current weather of the user's city as a small page: downloaded,
// cut out of the answer, written as weather.htm and shown.
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/WebBrowser.h"
#include "tools/OneWindow.h"
#include "weather/WeatherDownload.h"
#include "weather/WeatherRequest.h"
#include "weather/sources/Source.h"

namespace weather {

class FrmDataWeather : public tools::OneWindowOf<FrmDataWeather> {
  Q_OBJECT
 public:
  explicit FrmDataWeather(QWidget* viewer);
  ~FrmDataWeather() override;

  // Loads the panel over viewer (may be null); an open one is only brought
  // forward, its page as it was.
  static FrmDataWeather* Open(QWidget* viewer);

  void Form_Load() override;
  static bool ExisteArchivo(const QString& path);
  // Docks the panel in the viewer's top corner the settings chose; false
  // when there is nothing to dock to or no data.
  bool colocar();
  void CmdMove_MouseDown();
  void CmdUnload_Click();
  void CommandInfo_Click();
  bool Docked() const { return docked_; }

  platform::WebBrowser* WebBrowser1 = nullptr;
  QPushButton* CommandInfo = nullptr;
  QPushButton* CmdMove = nullptr;
  QPushButton* CmdUnload = nullptr;
  // The page: the two heads, the body of this loading, the whole.
  QString TextHtml1rice, TextHtml1entrever, TextHtml2, TextHtmlRes;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Reads the settings and asks the data source; the page follows the answer.
  void Request();
  // After a failed step: the message, if any, then the empty panel or none.
  void Fail(const QString& text);
  // Shows body, or an empty panel for none.
  void Page(const QString& body);
  QWidget* MessageParent();
  // Writes and shows the page, then runs then: after the whole load, or
  // after one turn of the event loop while it is under way.
  void PageOutput(bool waitWhileBusy, std::function<void()> then);
  void ShowPanel();
  // Grows the panel to the page's content, within the viewer when docked.
  void FitToPage(const QSize& page);
  void BringForward() override { raise(); }
  void Form_Unload() override;

  QPointer<QWidget> viewer_;
  std::unique_ptr<platform::WebBrowser> browser_;
  Fetch fetch_;
  // This opening's: what was asked, what came, and the page fields cut out of it.
  WeatherRequest request_;
  const Source* source_ = nullptr;  // none for a service that answers nothing
  QByteArray downloadedText_;
  // What runs after a wait or a turn of the event loop; gone when the window closes.
  QObject* steps_ = nullptr;
  bool docked_ = false;
};

}  // namespace weather
