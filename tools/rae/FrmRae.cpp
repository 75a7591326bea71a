#include "tools/rae/FrmRae.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "tools/Access.h"

namespace tools {
namespace {

constexpr int kTwips = 15;
constexpr int kDefaultLeft = 3720, kDefaultTop = 2355;

// Addresses edited by hand only.
QString Server(settings::Key key) { return QString::fromStdString(settings::Options().Text(key)); }

// The box belongs to the window: closed with it, it empties nothing.
void OneWordOnly(QWidget* parent, QLineEdit* text) {
  platform::MsgBoxThen(QStringLiteral("Una palabra sólamente gracias!"),
                       platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"), parent,
                       [text](int) { text->clear(); });
}

}  // namespace

QString EncodeSearchWord(const QString& word) {
  QString out;
  for (QChar c : word) {
    switch (c.unicode()) {
      case '%':
        out += "%25";
        break;
      case '&':
        out += "%26";
        break;
      case '#':
        out += "%23";
        break;
      case '?':
        out += "%3F";
        break;
      case '+':
        out += "%2B";
        break;
      default:
        out += c;
    }
  }
  return out;
}

FrmRae::FrmRae() {
  setObjectName("FrmRae");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Dicionario de la RAE"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 255));
  setPalette(pal);
  setFixedSize(14655 / kTwips, 7095 / kTwips);
  setMouseTracking(true);

  browser_ = platform::CreateWebBrowser(this);
  WebBrowser1 = browser_.get();
  // The browser goes before the window's widgets: no call reaches a window being taken apart.
  WebBrowser1->ProgressChange = [this](int p, int m) { WebBrowser1_ProgressChange(p, m); };

  Label1 = new QLabel(QStringLiteral("Buscar palabra"), this);
  Label1->setObjectName("Label1");
  TextSearch = new QLineEdit(this);
  TextSearch->setObjectName("TextSearch");
  TextSearch->installEventFilter(this);
  CmdOK = new QPushButton(QStringLiteral("OK"), this);
  CmdOK->setObjectName("CmdOK");
  CmdOK->setAutoDefault(false);
  ComReset = new QPushButton(QStringLiteral("Reset"), this);
  ComReset->setObjectName("ComReset");
  ComReset->setAutoDefault(false);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setVisible(false);
  ProgressBar1->setFixedWidth(160);
  connect(CmdOK, &QPushButton::clicked, this, &FrmRae::CmdOK_Click);
  connect(ComReset, &QPushButton::clicked, this, &FrmRae::ComReset_Click);

  auto* row = new QHBoxLayout;
  row->addWidget(Label1);
  row->addWidget(TextSearch, 1);
  row->addWidget(CmdOK);
  row->addWidget(ComReset);
  row->addWidget(ProgressBar1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->addWidget(WebBrowser1->Widget(), 1);
  column->addLayout(row);
  Label1->setBuddy(TextSearch);
  Name(WebBrowser1->Widget(), QStringLiteral("Página del diccionario"));
  Name(ProgressBar1, QStringLiteral("Progreso de la búsqueda"));
  WindowKeys(this, [this] { close(); });
}

FrmRae::~FrmRae() {
  WebBrowser1 = nullptr;
  browser_.reset();
}

FrmRae* FrmRae::Open() {
  return OpenOne([] { return new FrmRae; });
}

void FrmRae::Form_Load() {
  const settings::Options options;
  int left = options.Number(settings::Key::RaeLeft);
  int top = options.Number(settings::Key::RaeTop);
  if (left == 0 && top == 0) {
    left = kDefaultLeft;
    top = kDefaultTop;
  }
  move(left / kTwips, top / kTwips);

  // Other events get their turn before the start page and again before the
  // text box is readied. The steps are the window's own: gone or closed, it
  // runs none of them.
  QTimer::singleShot(0, this, [this] {
    if (Unloaded()) return;
    WebBrowser1->Navigate(QString::fromStdString(settings::ShippedFile("rae.htm")));
    // Top-most comes with the window flag set at construction.
    show();
    QTimer::singleShot(0, this, [this] {
      if (Unloaded()) return;
      TextSearch->clear();
      activateWindow();
      TextSearch->setFocus();
    });
  });
}

void FrmRae::Search(const QString& addressStart) {
  WebBrowser1->Navigate(addressStart + EncodeSearchWord(TextSearch->text()));
}

void FrmRae::CmdOK_Click() {
  if (TextSearch->text().isEmpty()) return;
  // Blanks only, as the word's trimming has always been.
  QString word = TextSearch->text();
  while (word.startsWith(' ')) word.remove(0, 1);
  while (word.endsWith(' ')) word.chop(1);
  TextSearch->setText(word);
  if (word.contains(' ')) {
    OneWordOnly(this, TextSearch);
    return;
  }
  Search(Server(settings::Key::Dictionary) + "/?w=");
}

void FrmRae::TextSearch_KeyPress(int& keyAscii) {
  if (keyAscii != 13) return;
  keyAscii = 0;
  if (TextSearch->text().isEmpty()) return;
  if (TextSearch->text().contains(' ')) {
    OneWordOnly(this, TextSearch);
    return;
  }
  Search(Server(settings::Key::DictionaryLemmas) + "/drae/?val=");
}

void FrmRae::ComReset_Click() {
  TextSearch->clear();
  TextSearch->setFocus();
}

void FrmRae::WebBrowser1_ProgressChange(int progress, int progressMax) {
  // The bar takes no maximum below 1 and no value outside its range; such a
  // step is skipped and the rest runs.
  if (progressMax >= 1) ProgressBar1->setMaximum(progressMax);
  if (progress >= ProgressBar1->minimum() && progress <= ProgressBar1->maximum())
    ProgressBar1->setValue(progress);
  ProgressBar1->setVisible(progressMax > 0);
}

void FrmRae::mouseMoveEvent(QMouseEvent* event) {
  TextSearch->setFocus();
  QWidget::mouseMoveEvent(event);
}

bool FrmRae::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TextSearch && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      int code = 13;
      TextSearch_KeyPress(code);
      return code == 0;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FrmRae::Form_Unload() {
  if (!isMinimized()) {
    const settings::Options options;
    options.SetNumber(settings::Key::RaeLeft, x() * kTwips);
    options.SetNumber(settings::Key::RaeTop, y() * kTwips);
  }
  if (browser_) browser_->Stop();
}

}  // namespace tools
