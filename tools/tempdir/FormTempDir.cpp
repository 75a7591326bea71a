#include "tools/tempdir/FormTempDir.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "tools/Access.h"
#include "tools/tempdir/SizeText.h"

namespace tools {
namespace {

// Kept for the whole run: "Borrar" measures its gain against the last listing.
double sizeBeforeEmptying = 0;

QString Shown(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// The hourglass for the whole application while a handler works.
class Hourglass {
 public:
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

std::string TempDirPath() { return platform::TempPath(); }

QString GetTempDir() { return Shown(TempDirPath()); }

void FormTempDir::NotFound(std::function<void()> then) {
  platform::MsgBoxThen(QStringLiteral("Carpeta temporal no encontrada!"),
                       platform::kOkOnly | platform::kInformation, QStringLiteral("Error"), this,
                       asking_, [then = std::move(then)](int) { then(); });
}

QString FormTempDir::Refusal(platform::Guarded why) const {
  const QString folder = Shown(folder_);
  QString reason;
  if (folder_.empty() || folder_[0] != '/')
    reason = QStringLiteral("es una ruta relativa");
  else if (why == platform::Guarded::kRoot)
    reason = QStringLiteral("es la raíz del sistema de archivos");
  else if (why == platform::Guarded::kHome)
    reason = QStringLiteral("es su carpeta personal");
  else if (why == platform::Guarded::kHoldsHome)
    return QStringLiteral(
               "La carpeta \"%1\" contiene la carpeta personal del usuario: no se vacía ni "
               "se elimina.")
        .arg(folder);
  else if (why == platform::Guarded::kChanged)
    return QStringLiteral("La carpeta \"%1\" ha cambiado mientras se preguntaba: no se vacía.")
        .arg(folder);
  if (reason.isEmpty()) return reason;
  return QStringLiteral("No se vaciará la carpeta \"%1\": %2.").arg(folder, reason);
}

FormTempDir::FormTempDir(QWidget* parent) : QWidget(parent), asking_(new QObject(this)) {
  setWindowTitle(QStringLiteral("TempDir"));
  setAttribute(Qt::WA_DeleteOnClose);
  ListTempDir = new ListingView(this);
  LabelTempDir = new QLabel(this);
  LabelOkupa = new QLabel(this);
  LabelGanado = new QLabel(this);
  CommandMostrar = new QPushButton(QStringLiteral("Mostrar"), this);
  CommandBorrar = new QPushButton(QStringLiteral("Borrar"), this);
  CommandSalir = new QPushButton(QStringLiteral("Salir"), this);
  StatusBar1 = new QStatusBar(this);
  StatusPanel1 = new QLabel(StatusBar1);
  StatusDate = new QLabel(StatusBar1);
  StatusTime = new QLabel(StatusBar1);
  StatusBar1->addWidget(StatusPanel1, 1);
  StatusBar1->addPermanentWidget(StatusDate);
  StatusBar1->addPermanentWidget(StatusTime);
  StatusBar1->setSizeGripEnabled(false);
  // White reads on every shade of the black-to-blue background (at least 8.6:1).
  for (QLabel* label :
       {LabelTempDir, LabelOkupa, LabelGanado, StatusPanel1, StatusDate, StatusTime})
    label->setStyleSheet(QStringLiteral("color: white"));
  CommandMostrar->setObjectName(QStringLiteral("CommandMostrar"));
  CommandBorrar->setObjectName(QStringLiteral("CommandBorrar"));
  CommandSalir->setObjectName(QStringLiteral("CommandSalir"));
  ListTempDir->setObjectName(QStringLiteral("ListTempDir"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CommandMostrar);
  buttons->addWidget(CommandBorrar);
  buttons->addStretch();
  buttons->addWidget(CommandSalir);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelTempDir);
  layout->addWidget(ListTempDir, 1);
  layout->addWidget(LabelOkupa);
  layout->addWidget(LabelGanado);
  layout->addLayout(buttons);
  layout->addWidget(StatusBar1);
  resize(480, 400);
  Name(ListTempDir, QStringLiteral("Archivos de la carpeta temporal"));
  WindowKeys(this, [this] { CommandSalir->click(); });

  connect(CommandMostrar, &QPushButton::clicked, this, &FormTempDir::CommandMostrar_Click);
  connect(CommandBorrar, &QPushButton::clicked, this, &FormTempDir::CommandBorrar_Click);
  connect(CommandSalir, &QPushButton::clicked, this, &FormTempDir::CommandSalir_Click);
  connect(&clock_, &QTimer::timeout, this, &FormTempDir::ShowClock);
  clock_.start(1000);
  ShowClock();

  // Form_Load
  CommandBorrar->setEnabled(false);
  LabelTempDir->setText(QStringLiteral("Dir: ") + GetTempDir());
}

void FormTempDir::ShowClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  StatusDate->setText(locale.toString(now.date(), QLocale::ShortFormat));
  StatusTime->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void FormTempDir::ListarCarpeta(const std::string& folder) {
  QStringList lines;
  platform::ListTree(folder, [&](const std::string& line) {
    lines.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
  });
  ListTempDir->AddLines(lines);
}

void FormTempDir::CommandMostrar_Click() {
  StatusPanel1->clear();
  LabelGanado->clear();
  ListTempDir->Clear();
  StatusPanel1->setText(QStringLiteral("Buscando archivos..."));
  StatusBar1->repaint();
  std::int64_t size = -1;
  {
    Hourglass hourglass;
    folder_ = TempDirPath();
    ListarCarpeta(folder_);
    StatusPanel1->setText(QStringLiteral("Archivos actuales."));
    size = platform::FolderSize(folder_);
  }
  if (size < 0) {
    NotFound([this] { CommandBorrar->setEnabled(true); });
    return;
  }
  sizeBeforeEmptying = static_cast<double>(size);
  LabelOkupa->setText(QStringLiteral("Espacio Ocupado Actual: ") +
                      SizeText(sizeBeforeEmptying, true));
  CommandBorrar->setEnabled(true);
}

void FormTempDir::Refuse(const QString& why) {
  platform::MsgBoxThen(why, platform::kOkOnly | platform::kExclamation,
                       QStringLiteral("Vaciar Temp"), this, asking_, nullptr);
}

void FormTempDir::CommandBorrar_Click() {
  // The deletion checks again by itself; this only spares a needless question.
  const platform::FolderCheck check = platform::CheckFolder(folder_);
  if (const QString refusal = Refusal(check.guarded); !refusal.isEmpty()) {
    Refuse(refusal);
    return;
  }
  // Answered only while the window is open: closed with its question up, it empties nothing.
  platform::MsgBoxThen(QStringLiteral("¿Está seguro de querer vaciar el directorio temporal?"),
                       platform::kOkCancel | platform::kExclamation, QStringLiteral("Vaciar Temp"),
                       this, asking_, [this, check](int answer) {
                         if (answer == platform::kAnswerOk) Empty(check);
                       });
}

void FormTempDir::Empty(const platform::FolderCheck& check) {
  std::int64_t after = -1;
  {
    Hourglass hourglass;
    StatusPanel1->setText(QStringLiteral("Eliminando archivos..."));
    StatusBar1->repaint();
    platform::DeleteOptions options;
    options.keepInUse = true;     // the folder is shared with running programs
    options.expected = check.id;  // swapped for another folder while the question was open: refused
    const platform::DeleteReport report = platform::DeleteContents(folder_, options);
    if (report.refused != platform::Guarded::kNo) {
      StatusPanel1->clear();
      Refuse(Refusal(report.refused));
      return;
    }
    ListTempDir->Clear();
    ListarCarpeta(folder_);
    if (report.removed > 0)
      StatusPanel1->setText(QStringLiteral("Archivos eliminados."));
    else if (report.stayedCount > 0)
      StatusPanel1->setText(
          report.stayedCount == 1
              ? QStringLiteral("No se eliminó nada: queda 1 elemento en uso, protegido o ajeno.")
              : QStringLiteral(
                    "No se eliminó nada: quedan %1 elementos en uso, protegidos o ajenos.")
                    .arg(report.stayedCount));
    else
      StatusPanel1->setText(QStringLiteral("No había nada que eliminar."));
    CommandBorrar->setEnabled(false);
    CommandMostrar->setEnabled(false);
    QStringList homes;
    for (const std::filesystem::path& home : report.homes)
      homes.append(QStringLiteral("La carpeta \"%1\" es la carpeta personal del usuario: no se "
                                  "vacía ni se elimina.")
                       .arg(Shown(home.string())));
    if (!homes.isEmpty()) Refuse(homes.join('\n'));
    after = platform::FolderSize(folder_);
  }
  if (after < 0) {
    NotFound([this] { CommandMostrar->setEnabled(true); });
    return;
  }
  const double sizeAfter = static_cast<double>(after);
  LabelGanado->setText(QStringLiteral("Espacio Ganado: ") +
                       SizeText(sizeBeforeEmptying - sizeAfter, true));
  LabelOkupa->setText(QStringLiteral("Espacio Ocupado Actual: ") + SizeText(sizeAfter, false));
  CommandMostrar->setEnabled(true);
}

void FormTempDir::CommandSalir_Click() { close(); }

void FormTempDir::closeEvent(QCloseEvent* event) {
  // Its questions go with it, unanswered: nothing is emptied later.
  delete asking_;
  asking_ = new QObject(this);
  OneWindow<FormTempDir>::Closed(this);
  QWidget::closeEvent(event);
}

void FormTempDir::paintEvent(QPaintEvent*) {
  // A vertical gradient in 256 bands over 512 units of height: black at the
  // top, pure blue at the bottom.
  QPainter painter(this);
  const double unit = height() / 512.0;
  for (int i = 0; i < 256; ++i) {
    const int top = static_cast<int>(2 * i * unit);
    const int bottom = static_cast<int>((2 * i + 2) * unit);
    painter.fillRect(0, top, width(), std::max(bottom - top, 1), QColor(0, 0, i));
  }
}

void FormTempDir::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void FormTempDir::Form_Resize() { update(); }

TempDirTool::TempDirTool()
    : WindowTool({MenuPlace::Utilities, "MnuTemp",
                  QStringLiteral("Vaciar Carpeta Temporal -- Alt + t"), 'T'}) {}

}  // namespace tools
