#pragma once
// The satellite map viewer: the current image of the chosen region, with the
// weather settings ("Ajustes") and the data panel ("More Info") at hand.
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "platform/WebBrowser.h"
#include "tools/OneWindow.h"

namespace weather {

class FrmWeather : public tools::OneWindowOf<FrmWeather> {
  Q_OBJECT
 public:
  FrmWeather();
  ~FrmWeather() override;

  // Opens the viewer, or only brings it forward when it is open.
  static FrmWeather* Open();

  void Form_Load() override;
  void CmdRefresh_Click();
  void CmdMaps_Click();
  void MoreInfo_Click();
  void CmdExit_Click();
  bool Large() const { return large_; }
  const QString& RegionPage() const { return regionPage_; }
  bool TopMost() const;

  platform::WebBrowser* WebBrowser1 = nullptr;
  QPushButton* CmdMaps = nullptr;
  QPushButton* CmdRefresh = nullptr;
  QPushButton* CmdExit = nullptr;
  QPushButton* MoreInfo = nullptr;

 private:
  void BringForward() override;
  void Form_Unload() override;
  void ApplyLayout();
  void SelectRegion();
  void ApplyTopMost();

  std::unique_ptr<platform::WebBrowser> browser_;
  // What runs after a wait or a turn of the event loop; gone when the window closes.
  QObject* steps_ = nullptr;
  QString regionPage_;
  bool large_ = true;
};

}  // namespace weather
