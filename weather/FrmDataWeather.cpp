#include "weather/FrmDataWeather.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "tools/Access.h"
#include "weather/OpenMeteo.h"
#include "weather/WeatherText.h"

namespace weather {
namespace {

using settings::Key;
constexpr int kTwips = 15;

QString Read(Key key) { return QString::fromStdString(settings::Options().Text(key)); }

QString ProgramPath(const char* name) {
  return QString::fromStdString(settings::ProgramFile(name));
}
QString ProgramShipped(const char* name) {
  return QString::fromStdString(settings::ShippedFile(name));
}

const QString kEmptyBody = QStringLiteral("</body></html>");
const QString kBrokenAnswer = QStringLiteral(
    "Ha habido algún error, pruebe a cambiar de servidor a través de Mapas en 'Método de datos'");

// The panel's least size; it grows to its page.
constexpr int kWidth = 4020 / kTwips, kHeight = 2565 / kTwips;

}  // namespace

FrmDataWeather::FrmDataWeather(QWidget* viewer)
    : OneWindowOf(viewer, Qt::Tool | Qt::FramelessWindowHint), viewer_(viewer) {
  setObjectName("FrmDataWeather");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Datos del tiempo"));
  resize(kWidth, kHeight);
  steps_ = new QObject(this);

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
  tools::Name(CommandInfo, QStringLiteral("Información"));
  tools::Name(CmdMove, QStringLiteral("Mover"));
  tools::Name(CmdUnload, QStringLiteral("Cerrar"));
  tools::Name(WebBrowser1->Widget(), QStringLiteral("Datos del tiempo"));
  connect(CommandInfo, &QPushButton::clicked, this, &FrmDataWeather::CommandInfo_Click);
  connect(CmdMove, &QPushButton::pressed, this, &FrmDataWeather::CmdMove_MouseDown);
  connect(CmdUnload, &QPushButton::clicked, this, &FrmDataWeather::CmdUnload_Click);

  // The pictures ship with the program, which need not be where the page is written.
  TextHtml1rice = PageHead(true, BackgroundAddress(ProgramShipped("Rice_Field.jpg")));
  TextHtml1entrever = PageHead(false, BackgroundAddress(ProgramShipped("bg92.gif")));
  // The condition icon comes from the configured icon hosts; nothing else remote.
  WebBrowser1->AllowImagesFrom({Read(Key::OpenWeatherMapWeb), Read(Key::YahooIcons)});
  // The browser is the window's and goes before it: this is there whenever it reports.
  WebBrowser1->PageSize = [this](const QSize& page) { FitToPage(page); };
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

FrmDataWeather* FrmDataWeather::Open(QWidget* viewer) {
  return OpenOne([viewer] { return new FrmDataWeather(viewer); });
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

bool FrmDataWeather::ExisteArchivo(const QString& path) { return QFileInfo::exists(path); }

QWidget* FrmDataWeather::MessageParent() {
  // The panel shows only after its loading: a box over it could not be reached.
  return viewer_ && !isVisible() ? viewer_.data() : this;
}

void FrmDataWeather::Form_Load() {
  int left = settings::Options().Number(Key::InfoLeft);
  int top = settings::Options().Number(Key::InfoTop);
  if (left == 0 && top == 0) {
    left = 2205;
    top = 1980;
  }
  move(left / kTwips, top / kTwips);
  // Other events get their turn before the settings are read.
  QTimer::singleShot(0, steps_, [this] { Request(); });
}

void FrmDataWeather::Request() {
  request_ = WeatherRequest::FromSettings();
  downloadedText_.clear();
  source_ = SourceNamed(request_.dataSource);
  if (!source_) return Page(QString());
  if (!source_->EmptyPanelOnFailure()) {
    // Whatever happens now, an earlier answer's page is not shown as this one.
    const QString page = ProgramPath("weather.htm");
    if (ExisteArchivo(page)) QFile::remove(page);
  }
  QString refusal;
  const QString address = source_->ForecastAddress(request_, &refusal);
  if (address.isEmpty()) return Fail(refusal);
  // The window's own fetch and steps: closed, it runs none of what follows.
  DownloadWeatherXml(fetch_, address, MessageParent(),
                     [this](FetchResult result, const QByteArray& text) {
                       if (Unloaded()) return;
                       // Other events get their turn before the page is built.
                       QTimer::singleShot(0, steps_, [this, result, text] {
                         if (result != FetchResult::Ok)
                           return Fail(QString());  // the download told the user
                         const std::optional<QString> body = source_->PanelBody(text, request_);
                         if (!body) return Fail(kBrokenAnswer);
                         downloadedText_ = text;
                         Page(*body);
                       });
                     });
}

void FrmDataWeather::Fail(const QString& text) {
  auto after = [this] {
    if (source_->EmptyPanelOnFailure())
      Page(QString());
    else
      close();
  };
  if (text.isEmpty()) return after();
  // Closing or destroying the panel takes the ticket with it.
  platform::MsgBoxThen(text, platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
                       MessageParent(), [after, ticket = QPointer<QObject>(fetch_.Ticket())](int) {
                         if (ticket) after();
                       });
}

void FrmDataWeather::Page(const QString& body) {
  // Without an answer, an empty panel rather than an earlier opening's values.
  TextHtml2 = body.isEmpty() ? kEmptyBody : body;
  PageOutput(!source_ || source_->WaitsForWholePage(), [this] { ShowPanel(); });
}

void FrmDataWeather::PageOutput(bool waitWhileBusy, std::function<void()> then) {
  const QString background = Read(Key::PanelBackground);
  if (!background.isEmpty() && background != "arroz") {
    TextHtmlRes = TextHtml1entrever + TextHtml2;
  } else {
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
  // The whole load, or one turn of the event loop when it is under way.
  if (waitWhileBusy)
    WebBrowser1->WhenIdle(steps_, [then = std::move(then)](bool) { then(); });
  else if (WebBrowser1->Busy())
    QTimer::singleShot(0, steps_, std::move(then));
  else
    then();
}

void FrmDataWeather::ShowPanel() {
  if (!colocar()) show();
}

bool FrmDataWeather::colocar() {
  if (!viewer_ || request_.cityCode.isEmpty() || downloadedText_.isEmpty()) return false;
  const QString size = Read(Key::Size);
  if (size.isEmpty()) return false;
  const QString corner = Read(Key::PanelCorner);
  if (!docked_) {
    setParent(viewer_, Qt::Widget);
    docked_ = true;
  }
  const int viewerWidth = viewer_->width(), viewerHeight = viewer_->height();
  int left = corner.isEmpty() || corner == "arriba izq" ? 0 : viewerWidth - width();
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
  platform::MsgBoxThen(
      QStringLiteral("Por debajo de 1013,25 hPa son bajas presiones, por encima altas presiones."),
      platform::kOkOnly | platform::kInformation, QStringLiteral("Info"), this, nullptr);
}

void FrmDataWeather::Form_Unload() {
  fetch_.Cancel();
  delete steps_;  // before the stop, whose failure report would find them
  steps_ = nullptr;
  if (browser_) browser_->Stop();
  // Docked, the place is the viewer's corner, not the panel's own.
  if (!docked_) {
    settings::Options().SetNumber(Key::InfoLeft, x() * kTwips);
    settings::Options().SetNumber(Key::InfoTop, y() * kTwips);
  }
}

}  // namespace weather
