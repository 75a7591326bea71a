#include "weather/FrmDataWeather.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QWindow>
#include <algorithm>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "weather/OpenMeteo.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

namespace weather {
namespace {

using settings::Key;
constexpr int kTwips = 15;

QPointer<FrmDataWeather>& Instance() {
  static QPointer<FrmDataWeather> form;
  return form;
}

QString Read(Key key) { return QString::fromStdString(settings::Options().Text(key)); }

QString ProgramPath(const char* name) {
  return QString::fromStdString(settings::ProgramFile(name));
}
QString ProgramShipped(const char* name) {
  return QString::fromStdString(settings::ShippedFile(name));
}

const QString kEmptyBody = QStringLiteral("</body></html>");

// The panel's least size; it grows to its page.
constexpr int kWidth = 4020 / kTwips, kHeight = 2565 / kTwips;

}  // namespace

FrmDataWeather::FrmDataWeather(QWidget* viewer)
    : QWidget(viewer, Qt::Tool | Qt::FramelessWindowHint), viewer_(viewer) {
  setObjectName("FrmDataWeather");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Datos del tiempo"));
  resize(kWidth, kHeight);

  browser_ = platform::CreateWebBrowser(this);
  WebBrowser1 = browser_.get();
  // The page carries text from outside services.
  WebBrowser1->SetRestricted(true);

  CommandInfo = new QPushButton(QStringLiteral("i"), this);
  CommandInfo->setObjectName("CommandInfo");
  CmdMove = new QPushButton(QStringLiteral("\u2725"), this);
  CmdMove->setObjectName("CmdMove");
  CmdUnload = new QPushButton(QStringLiteral("X"), this);
  CmdUnload->setObjectName("CmdUnload");
  connect(CommandInfo, &QPushButton::clicked, this, &FrmDataWeather::CommandInfo_Click);
  connect(CmdMove, &QPushButton::pressed, this, &FrmDataWeather::CmdMove_MouseDown);
  connect(CmdUnload, &QPushButton::clicked, this, &FrmDataWeather::CmdUnload_Click);

  // The pictures ship with the program, which need not be where the page is written.
  TextHtml1rice = PageHead(true, BackgroundAddress(ProgramShipped("Rice_Field.jpg")));
  TextHtml1entrever = PageHead(false, BackgroundAddress(ProgramShipped("bg92.gif")));
  // The condition icon comes from the configured icon hosts; nothing else remote.
  WebBrowser1->AllowImagesFrom({Read(Key::OpenWeatherMapWeb), Read(Key::YahooIcons)});
  QPointer<FrmDataWeather> self(this);
  WebBrowser1->PageSize = [self](const QSize& page) {
    if (self) self->FitToPage(page);
  };
}

void FrmDataWeather::FitToPage(const QSize& page) {
  QSize size = QSize(kWidth, kHeight).expandedTo(page);
  if (docked_ && viewer_) size = size.boundedTo(viewer_->size());
  if (size == this->size()) return;
  resize(size);
  if (docked_) colocar();
}

FrmDataWeather::~FrmDataWeather() {
  fetch_.Cancel();
  WebBrowser1 = nullptr;
  browser_.reset();
}

FrmDataWeather* FrmDataWeather::Current() { return Instance(); }

FrmDataWeather* FrmDataWeather::Open(QWidget* viewer) {
  if (FrmDataWeather* open = Instance()) {
    open->raise();
    return open;
  }
  auto* form = new FrmDataWeather(viewer);
  Instance() = form;
  form->Form_Load();
  return Instance();
}

void FrmDataWeather::resizeEvent(QResizeEvent* event) {
  if (WebBrowser1) WebBrowser1->Widget()->setGeometry(rect());
  // At the top right, however wide the page made the panel.
  const int right = width() - kWidth;
  CommandInfo->setGeometry(right + 2640 / kTwips, 0, 375 / kTwips, 375 / kTwips);
  CmdMove->setGeometry(right + 3120 / kTwips, 0, 375 / kTwips, 375 / kTwips);
  CmdUnload->setGeometry(right + 3750 / kTwips, 0, 255 / kTwips, 255 / kTwips);
  for (QWidget* w : {CommandInfo, CmdMove, CmdUnload}) w->raise();
  QWidget::resizeEvent(event);
}

bool FrmDataWeather::DoEvents() {
  QPointer<FrmDataWeather> self(this);
  QCoreApplication::processEvents();
  return self && !self->unloaded_;
}

bool FrmDataWeather::ExisteArchivo(const QString& path) { return QFileInfo::exists(path); }

void FrmDataWeather::Form_Load() {
  int left = settings::Options().Number(Key::InfoLeft);
  int top = settings::Options().Number(Key::InfoTop);
  if (left == 0 && top == 0) {
    left = 2205;
    top = 1980;
  }
  move(left / kTwips, top / kTwips);
  if (!DoEvents()) return;

  WeatherValues& v = Values();
  if (const QString code = Read(Key::CityCode); !code.isEmpty()) v.cityCode = code;
  const QString language = Read(Key::Language);
  if (language.isEmpty())
    v.languageCode = "es";
  else
    LangToCode(language);
  if (const QString country = Read(Key::Country); !country.isEmpty()) v.country = country;
  if (const QString city = Read(Key::City); !city.isEmpty()) v.city = city;
  const QString units = Read(Key::Units);
  if (units == QStringLiteral("Métrico"))
    v.unitCode = "c";
  else if (!units.isEmpty())
    v.unitCode = "f";
  v.downloadedText.clear();
  const QString source = Read(Key::DataSource);
  if (source.isEmpty())
    v.dataSource = "OpenWeatherMap";
  else if (source == "Yahoo" || source == "OpenWeatherMap" || source == "Apixu" ||
           source == "AccuWeather" || source == kOpenMeteo)
    v.dataSource = source;

  QPointer<FrmDataWeather> self(this);
  if (v.dataSource == kOpenMeteo) return OpenMeteo();
  bool yahooAnswer = false;
  if (v.dataSource == "OpenWeatherMap") {
    const bool metric = v.unitCode != "f";
    v.downloadAddress =
        Read(Key::OpenWeatherMapServer) + "/data/2.5/weather" +
        (v.cityCode.isEmpty() ? "?q=" + EncodeForAddress(v.city) + "," + EncodeForAddress(v.country)
                              : "?id=" + EncodeForAddress(v.cityCode)) +
        "&lang=" + EncodeForAddress(v.languageCode) +
        (metric ? "&units=metric" : "&units=imperial") + "&appid=" + Read(Key::OpenWeatherMapKey) +
        "&mode=xml";
    const FetchResult result = DownloadWeatherXml(fetch_, this);
    if (result == FetchResult::Cancelled || !self || unloaded_) return;
    downloaded_ = result == FetchResult::Ok;
    if (!DoEvents()) return;
    OpenWeatherMap();
    if (!self || unloaded_) return;
    ShowPanel();
    return;
  }

  if (v.dataSource == "Yahoo") {
    v.downloadAddress = Read(Key::YahooWeatherServer) +
                        "/forecastrss?w=" + EncodeForAddress(v.cityCode) +
                        "&u=" + EncodeForAddress(v.unitCode);
    const FetchResult result = DownloadWeatherXml(fetch_, this);
    if (result == FetchResult::Cancelled || !self || unloaded_) return;
    yahooAnswer = result == FetchResult::Ok;
    if (const QString old = Read(Key::OldCityCode); !old.isEmpty())
      v.oldCityCode = old;
    else
      GetOldCodeCity();
  }
  // Yahoo, or a source without a request: the page from what text there is;
  // without an answer, an empty panel rather than an earlier opening's values.
  if (!yahooAnswer) {
    v.yahoo = YahooFields();
    TextHtml2 = kEmptyBody;
    if (PageOutput(true)) ShowPanel();
    return;
  }
  if (ParseYahooFeed(QString::fromUtf8(v.downloadedText), v.unitCode, v.yahoo))
    v.city = v.yahoo.city;
  const bool metric = v.unitCode == "c";
  const QString forecast =
      metric ? Read(Key::ForecastSpanish) + "/weather/today/" + EncodeForAddress(v.oldCityCode)
             : Read(Key::ForecastEnglish) + "/weather/today/l/" + EncodeForAddress(v.oldCityCode);
  const QString icon = Read(Key::YahooIcons) + EncodeForAddress(v.yahoo.conditionCode) + ".gif";
  TextHtml2.clear();
  TextHtml2 = YahooBody(v.yahoo, v.unitCode, forecast, icon);
  if (!PageOutput(true)) return;
  ShowPanel();
}

void FrmDataWeather::OpenWeatherMap() {
  WeatherValues& v = Values();
  QString answer;
  // After a failed download the file is an earlier answer: not shown as this one.
  QFile file(ProgramPath("weather.xml"));
  if (!downloaded_ || !file.open(QIODevice::ReadOnly)) {
    // No earlier opening's values under a failed download: an empty panel.
    v.owm = OwmFields();
    TextHtml2 = kEmptyBody;
    PageOutput(false);
    return;
  }
  answer = QString::fromUtf8(file.readAll());
  ParseOpenWeatherMap(answer, v.unitCode, v.owm);
  const QString web = Read(Key::OpenWeatherMapWeb);
  TextHtml2 = OpenWeatherMapBody(
      v.owm, v.country, WithScheme(web, "https") + "/city/" + EncodeForAddress(v.cityCode),
      WithScheme(web, "http") + "/img/w/" + EncodeForAddress(v.owm.iconCode) + ".png");
  PageOutput(false);
}

bool FrmDataWeather::PageOutput(bool waitWhileBusy) {
  const QString background = Read(Key::PanelBackground);
  if (!background.isEmpty() && background != "arroz") {
    Values().panelBackground = "entreverado";
    TextHtmlRes = TextHtml1entrever + TextHtml2;
  } else {
    Values().panelBackground = "arroz";
    TextHtmlRes = TextHtml1rice + TextHtml2;
  }
  const QString path = ProgramPath("weather.htm");
  if (ExisteArchivo(path)) QFile::remove(path);
  QFile page(path);
  if (page.open(QIODevice::WriteOnly)) {
    page.write(TextHtmlRes.toUtf8());
    page.close();
  }
  WebBrowser1->Navigate(
      path, platform::navNoHistory | platform::navNoReadFromCache | platform::navNoWriteToCache);
  QPointer<FrmDataWeather> self(this);
  if (waitWhileBusy) {
    WebBrowser1->WaitWhileBusy();
    return self && !unloaded_;
  }
  if (WebBrowser1->Busy()) return DoEvents();
  return true;
}

void FrmDataWeather::ShowPanel() {
  if (!colocar()) show();
}

bool FrmDataWeather::colocar() {
  if (!viewer_ || Values().cityCode.isEmpty() || Values().downloadedText.isEmpty()) return false;
  const QString size = Read(Key::Size);
  if (size.isEmpty()) return false;
  Values().panelCorner = Read(Key::PanelCorner);
  if (!docked_) {
    setParent(viewer_, Qt::Widget);
    docked_ = true;
  }
  const int viewerWidth = viewer_->width(), viewerHeight = viewer_->height();
  int left = Values().panelCorner.isEmpty() || Values().panelCorner == "arriba izq"
                 ? 0
                 : viewerWidth - width();
  int top = viewerHeight - (size == "Grande" ? 8300 : 7700) / kTwips;
  // Wholly inside the viewer: the large layout would put it above the top.
  left = std::max(0, std::min(left, viewerWidth - width()));
  top = std::max(0, std::min(top, viewerHeight - height()));
  move(left, top);
  show();
  raise();
  return true;
}

void FrmDataWeather::CmdMove_MouseDown() {
  if (docked_) return;
  if (QWindow* w = windowHandle()) w->startSystemMove();
}

void FrmDataWeather::CmdUnload_Click() { close(); }

void FrmDataWeather::CommandInfo_Click() {
  platform::MsgBox(
      QStringLiteral("Por debajo de 1013,25 hPa son bajas presiones, por encima altas presiones."),
      platform::kOkOnly | platform::kInformation, QStringLiteral("Info"), this);
}

void FrmDataWeather::Form_Unload() {
  fetch_.Cancel();
  if (browser_) browser_->Stop();
  // Docked, the place is the viewer's corner, not the panel's own.
  if (!docked_) {
    settings::Options().SetNumber(Key::InfoLeft, x() * kTwips);
    settings::Options().SetNumber(Key::InfoTop, y() * kTwips);
  }
}

void FrmDataWeather::closeEvent(QCloseEvent* event) {
  if (!unloaded_) {
    unloaded_ = true;
    Form_Unload();
  }
  if (Instance() == this) Instance() = nullptr;
  event->accept();
}

}  // namespace weather
