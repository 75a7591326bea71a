#include "weather/FrmWeather.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "tools/Access.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/SatelliteWms.h"
#include "weather/WeatherDownload.h"
#include "weather/WeatherTables.h"
#include "weather/WeatherText.h"

namespace weather {
namespace {

using settings::Key;
constexpr int kTwips = 15;
constexpr int kPageFlags =
    platform::navNoHistory | platform::navNoReadFromCache | platform::navNoWriteToCache;

QString Read(Key key) { return QString::fromStdString(settings::Options().Text(key)); }

struct Layout {
  int browserWidth, browserHeight, width, height, buttonsLeft, mapsTop, refreshTop, exitTop,
      infoTop, imageWidth, imageHeight;
};
constexpr Layout kLarge{13000, 9700, 12820, 8200, 11500, 6450, 6800, 7150, 7500, 855, 520};
constexpr Layout kSmall{10995, 7550, 10820, 7700, 9400, 6000, 6300, 6600, 7000, 720, 480};

QPushButton* Button(const QString& text, const char* name, const char* colour, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setStyleSheet(
      QStringLiteral("QPushButton { background-color: %1; color: black; }").arg(colour));
  return b;
}

// A stored place: its number, or nothing when it is too large for one.
bool Place(Key key, int& twips) {
  const double v = std::round(NumericValue(Read(key)));
  if (std::fabs(v) > 2147483647.0) return false;
  twips = static_cast<int>(v);
  return true;
}

}  // namespace

FrmWeather::FrmWeather() {
  setObjectName("FrmWeather");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Mapa del tiempo"));
  steps_ = new QObject(this);
  browser_ = platform::CreateWebBrowser(this);
  WebBrowser1 = browser_.get();
  // Links of the page may open their own window.
  WebBrowser1->NewWindow2 = [](const QUrl&, bool& cancel) { cancel = false; };
  // A picture that stops coming fails as the weather downloads do.
  WebBrowser1->stallTimeoutMs = std::min(WebBrowser1->stallTimeoutMs, WaitTimeoutMs());
  CmdMaps = Button(QStringLiteral("Ajustes"), "CmdMaps", "#00ff00", this);
  CmdRefresh = Button(QStringLiteral("Recargar"), "CmdRefresh", "#ff00ff", this);
  CmdExit = Button(QStringLiteral("Salir"), "CmdExit", "#00ffff", this);
  MoreInfo = Button(QStringLiteral("More Info"), "MoreInfo", "#ffff00", this);
  tools::Name(WebBrowser1->Widget(), QStringLiteral("Imagen del satélite"),
              QStringLiteral("Imagen meteorológica del satélite sobre la zona elegida"));
  tools::WindowKeys(this, [this] { CmdExit->click(); });
  connect(CmdMaps, &QPushButton::clicked, this, &FrmWeather::CmdMaps_Click);
  connect(CmdRefresh, &QPushButton::clicked, this, &FrmWeather::CmdRefresh_Click);
  connect(CmdExit, &QPushButton::clicked, this, &FrmWeather::CmdExit_Click);
  connect(MoreInfo, &QPushButton::clicked, this, &FrmWeather::MoreInfo_Click);
}

FrmWeather::~FrmWeather() {
  WebBrowser1 = nullptr;
  browser_.reset();
}

FrmWeather* FrmWeather::Open() {
  return OpenOne([] { return new FrmWeather; });
}

void FrmWeather::BringForward() {
  showNormal();
  raise();
  activateWindow();
}

void FrmWeather::ApplyLayout() {
  large_ = Read(Key::Size).isEmpty() || Read(Key::Size) == "Grande";
  const Layout& l = large_ ? kLarge : kSmall;
  // The browser is larger than the window: its edges fall outside.
  WebBrowser1->Widget()->setGeometry(0, 0, l.browserWidth / kTwips, l.browserHeight / kTwips);
  // The sizes are the outer window's; the browser covers what is inside.
  setFixedSize(std::min(l.width, l.browserWidth) / kTwips,
               std::min(l.height, l.browserHeight) / kTwips);
  const int left = l.buttonsLeft / kTwips, w = 1200 / kTwips, h = 330 / kTwips;
  CmdMaps->setGeometry(left, l.mapsTop / kTwips, w, h);
  CmdRefresh->setGeometry(left, l.refreshTop / kTwips, w, h);
  CmdExit->setGeometry(left, l.exitTop / kTwips, w, h);
  MoreInfo->setGeometry(left, l.infoTop / kTwips, w, h);
  for (QPushButton* b : {CmdMaps, CmdRefresh, CmdExit, MoreInfo}) b->raise();
}

void FrmWeather::SelectRegion() {
  QString region = Read(Key::Maps);
  if (region.isEmpty()) region = QStringLiteral("Europa");
  const QString code = RegionImageCode(region);
  if (code.isEmpty()) return;  // the previous page stays
  const Layout& l = large_ ? kLarge : kSmall;
  regionPage_ = QStringLiteral(
                    "about:<html><body scroll='no'; body bgcolor='black' style='overflow: "
                    "hidden'><img src='") +
                HtmlEscape(SatelliteImageAddress(code, l.imageWidth, l.imageHeight)) +
                QStringLiteral("' WIDTH=%1 HEIGHT=%2></img></body></html>")
                    .arg(l.imageWidth)
                    .arg(l.imageHeight);
}

bool FrmWeather::TopMost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void FrmWeather::ApplyTopMost() {
  const bool on = Read(Key::AlwaysUp) == QStringLiteral("siempre arriba");
  if (on == TopMost()) return;
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (shown) show();  // a change of flags hides the window
}

void FrmWeather::Form_Load() {
  // The raised priorities of the original are left out here.
  ApplyLayout();
  int left = 0, top = 0;
  if (!Place(Key::MapLeft, left) || !Place(Key::MapTop, top)) {
    show();
    platform::MsgBoxThen(QStringLiteral("Si no aparecen datos meteorológicos, pruebe a cambiar de "
                                        "servidor a través de Mapas en 'Método de datos', o "
                                        "cambie de ciudad o pueblo."),
                         platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"), this,
                         nullptr);
    return;
  }
  if (left == 0 && top == 0) {
    left = 2205;
    top = 1980;
  }
  move(left / kTwips, top / kTwips);
  // Other events get their turn before the page is chosen and shown.
  QTimer::singleShot(0, steps_, [this] {
    SelectRegion();
    ApplyTopMost();
    show();
    WebBrowser1->Navigate(regionPage_, kPageFlags);
    // Nothing follows the load; the wait only ends a picture that stops coming.
    WebBrowser1->WhenIdle(steps_, [](bool) {});
  });
}

void FrmWeather::CmdRefresh_Click() {
  if (Unloaded()) return;
  ApplyLayout();
  SelectRegion();
  WebBrowser1->Refresh2(2);
  WebBrowser1->Navigate(regionPage_, kPageFlags);
  // A load cut short still takes the choice; a closed window takes nothing.
  WebBrowser1->WhenIdle(steps_, [this](bool) { ApplyTopMost(); });
}

void FrmWeather::CmdMaps_Click() { FrmMaps::Open(this); }

void FrmWeather::MoreInfo_Click() { FrmDataWeather::Open(this); }

void FrmWeather::CmdExit_Click() { close(); }

void FrmWeather::Form_Unload() {
  if (!isMinimized()) {
    settings::Options().SetNumber(Key::MapLeft, x() * kTwips);
    settings::Options().SetNumber(Key::MapTop, y() * kTwips);
  }
  if (FrmMaps* maps = FrmMaps::Current()) maps->close();
  if (FrmDataWeather* panel = FrmDataWeather::Current()) panel->close();
  delete steps_;  // before the stop, whose failure report would find them
  steps_ = nullptr;
  if (browser_) browser_->Stop();
}

}  // namespace weather
