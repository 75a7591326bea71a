#include "tools/comments/FrmComment.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "tools/Access.h"

namespace tools {
namespace {

constexpr int kTwips = 15;

// The window's own icon: a speech bubble, drawn here.
QIcon CommentIcon() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(2, 3, 28, 19), 6, 6);
  QPainterPath tail;
  tail.moveTo(8, 20);
  tail.lineTo(6, 29);
  tail.lineTo(16, 21);
  tail.closeSubpath();
  p.setPen(QPen(QColor(40, 60, 120), 1.5));
  p.setBrush(QColor(250, 250, 210));
  p.drawPath(bubble.united(tail));
  p.setPen(QPen(QColor(40, 60, 120), 2));
  for (int y : {9, 13, 17}) p.drawLine(8, y, y == 17 ? 17 : 24, y);
  return QIcon(pm);
}

}  // namespace

QString FrmComment::PageAddress() {
  // No built-in default: the server is configuration.
  return QString::fromStdString(settings::Options().Text(settings::Key::UpdatesServer)) +
         QStringLiteral("envia_form_php.php");
}

FrmComment::FrmComment() {
  setObjectName("FrmComment");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Comentarios"));
  setWindowIcon(CommentIcon());
  resize(8370 / kTwips, 4650 / kTwips);
  browser_ = platform::CreateWebBrowser(this);
  WebBrowserComment = browser_.get();
  // The browser goes before the window's widgets: no call reaches a window being taken apart.
  WebBrowserComment->NewWindow2 = [this](const QUrl&, bool& cancel) {
    WebBrowserComment_NewWindow2(cancel);
  };
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WebBrowserComment->Widget());
  Name(WebBrowserComment->Widget(), QStringLiteral("Formulario de comentarios"));
  WindowKeys(this, [this] { close(); });
}

FrmComment::~FrmComment() {
  WebBrowserComment = nullptr;
  browser_.reset();
}

FrmComment* FrmComment::Open() {
  return OpenOne([] { return new FrmComment; });
}

void FrmComment::BringForward() {
  show();
  raise();
  activateWindow();
}

// The page loads in the background; the window shows meanwhile.
void FrmComment::Form_Load() {
  WebBrowserComment->Navigate(PageAddress());
  show();
}

void FrmComment::WebBrowserComment_NewWindow2(bool& cancel) { cancel = true; }

void FrmComment::Form_Unload() {
  if (browser_) browser_->Stop();
}

}  // namespace tools
