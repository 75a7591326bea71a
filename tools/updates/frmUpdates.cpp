#include "tools/updates/frmUpdates.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QScreen>

#include "platform/EndSignals.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "tools/Access.h"
#include "tools/updates/UpdateInfo.h"
#include "tools/updates/VerVersion.h"
#include "tools/updates/modCloseBtn.h"

namespace tools {
namespace {

// The program's own executable in the program folder.
const char* const kExecutable = "WasteWell";
const char* const kInfoFile = "WasteWell.txt";  // the local name, whatever TextFile says
const char* const kSetupFile = "WasteWell_setup.exe";

}  // namespace

frmUpdates::frmUpdates(std::function<void()> unloadAllForms)
    : unloadAllForms_(std::move(unloadAllForms)) {
  setObjectName("frmUpdates");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Actualizar"));

  Label3 = new QLabel(QStringLiteral("Update Location:"), this);
  TextSite = new QLineEdit(this);
  TextSite->setObjectName("TextSite");
  Label4 = new QLabel(QStringLiteral("Update Info File:"), this);
  TextFile = new QLineEdit(QStringLiteral("WasteWell.txt"), this);
  TextFile->setObjectName("TextFile");
  CommandCheck = new QPushButton(QStringLiteral("Buscar actualizaciones"), this);
  CommandCheck->setObjectName("CommandCheck");
  CommandCheck->setEnabled(false);
  Command2 = new QPushButton(QStringLiteral("Cerrar"), this);
  Command2->setObjectName("Command2");
  LabelDown = new QLabel(this);
  LabelDown->setObjectName("LabelDown");
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setVisible(false);
  connect(CommandCheck, &QPushButton::clicked, this, &frmUpdates::CommandCheck_Click);
  connect(Command2, &QPushButton::clicked, this, &frmUpdates::Command2_Click);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Label3, 0, 0);
  grid->addWidget(TextSite, 0, 1, 1, 2);
  grid->addWidget(Label4, 1, 0);
  grid->addWidget(TextFile, 1, 1, 1, 2);
  grid->addWidget(LabelDown, 2, 0, 1, 3);
  grid->addWidget(ProgressBar1, 3, 0, 1, 3);
  grid->addWidget(CommandCheck, 4, 1);
  grid->addWidget(Command2, 4, 2);
  setMinimumWidth(460);
  Label3->setBuddy(TextSite);
  Label4->setBuddy(TextFile);
  Name(ProgressBar1, QStringLiteral("Progreso de la descarga"));
  WindowKeys(
      this, [this] { Command2->click(); }, CommandCheck);

  TimerUpdates = new QTimer(this);
  TimerUpdates->setInterval(1000);
  connect(TimerUpdates, &QTimer::timeout, this, &frmUpdates::TimerUpdates_Timer);
  TimerUpdates->start();

  inet_ = platform::CreateHttpTransfer(this);
  Inet1 = inet_.get();
  connect(Inet1, &platform::HttpTransfer::StateChanged, this, &frmUpdates::Inet1_StateChanged);

  const QString folder =
      QString::fromStdString(settings::Options().Text(settings::Key::UpdatesServer));
  TextSite->setText(folder);
  setupUrl_ = SetupUrl(folder);
}

frmUpdates::~frmUpdates() {
  if (inet_) inet_->Cancel();
  Inet1 = nullptr;
}

frmUpdates* frmUpdates::Open(std::function<void()> unloadAllForms) {
  return OpenOne([&] { return new frmUpdates(std::move(unloadAllForms)); });
}

void frmUpdates::BringForward() {
  show();
  raise();
  activateWindow();
}

QString frmUpdates::Folder(const QString& name) const {
  return QString::fromStdString(settings::ProgramFile("updates")) + "/" + name;
}

void frmUpdates::Later(std::function<void()> step) {
  // Deleting the window drops the queued call; a closed one awaiting its
  // deletion skips it.
  QTimer::singleShot(0, this, [this, step = std::move(step)] {
    if (!Unloaded()) step();
  });
}

void frmUpdates::Ask(const QString& text, int style, const QString& title,
                     std::function<void(int)> then) {
  // The box is the window's child: deleted with it, it answers nothing. At the
  // program's end it may be closed before the window: then is skipped once the
  // window closed.
  platform::MsgBoxThen(text, style, title, this, [this, then = std::move(then)](int answer) {
    if (!Unloaded()) then(answer);
  });
}

void frmUpdates::Form_Load() {
  // Placed by us and shown first: a download that fails at once puts its
  // message on this window, before the window manager could have placed it.
  adjustSize();
  if (QScreen* screen = this->screen()) {
    QRect r(QPoint(), size());
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  show();
  // A first check must not fail for want of the folder.
  QDir().mkpath(QString::fromStdString(settings::ProgramFile("updates")));
  const QString info = Folder(kInfoFile);
  const auto fetch = [this, info] {
    targetPath_ = info;
    Inet1->SetMaximumSize(kMaxInfoFileBytes);
    Inet1->Execute(TextSite->text() + TextFile->text(), QStringLiteral("GET"), targetPath_);
  };
  if (!QFile::exists(info)) {
    fetch();
    return;
  }
  // Other events get their turn between the removal and the fetch.
  QFile::remove(info);
  Later(fetch);
}

void frmUpdates::TimerUpdates_Timer() {
  ++ticks_;
  if (ticks_ < 5) {
    LabelDown->setVisible(true);
    LabelDown->setText(QStringLiteral("Un momento por favor"));
  }
  if (ticks_ == 5) {
    CommandCheck->setEnabled(true);
    LabelDown->setText(QString());
    TimerUpdates->stop();
    ticks_ = 0;
  }
}

void frmUpdates::Inet1_StateChanged(int state) {
  if (Unloaded()) return;
  if (state == platform::HttpTransfer::icError) {
    if (setupFlag_) QFile::remove(targetPath_);
    TransferFailed();
    return;
  }
  if (state != platform::HttpTransfer::icResponseCompleted) return;

  QFile file(targetPath_);
  const bool open = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  qint64 total = 0;
  const std::optional<qint32> field3 = setupFlag_ ? ToLong(fields_.value(3)) : std::nullopt;
  const qint32 announced = field3.value_or(0);
  for (;;) {
    const QByteArray chunk = Inet1->GetChunk(1024);
    if (chunk.isEmpty()) break;
    // What reached the file counts, not what arrived.
    const qint64 written = open ? file.write(chunk) : -1;
    if (written > 0) total += written;
    if (setupFlag_) {
      if (announced != 0)
        percent_ = static_cast<float>(total) / static_cast<float>(announced) * 100.0f;
      LabelDown->setText(ProgressText(total, fields_.value(3), percent_, QLocale()));
      if (percent_ >= 0 && percent_ <= 100) ProgressBar1->setValue(static_cast<int>(percent_));
    }
  }
  if (!TimerUpdates->isActive()) LabelDown->setText(QStringLiteral("Finalizando..."));
  const bool complete = open && file.flush() && file.error() == QFileDevice::NoError;
  file.close();
  if (!setupFlag_) return;
  // "Finalizando..." shows before the setup is started.
  Later([this, complete, total, announced] { SetupWritten(complete, total, announced); });
}

void frmUpdates::SetupWritten(bool complete, qint64 total, qint32 announced) {
  // Only a whole setup is started: the bytes announced, all of them written.
  if (!complete || (announced > 0 && total != announced)) {
    QFile::remove(targetPath_);
    TransferFailed();
    return;
  }
  setupWhole_ = true;
  LanzarSetup();
}

void frmUpdates::TransferFailed() {
  Ask(QStringLiteral("¡El archivo no está disponible en estos momentos!"),
      platform::kOkOnly | platform::kInformation, QStringLiteral("Updates"), [this](int) {
        checkFlag_ = false;
        Unload();
      });
}

void frmUpdates::CannotDownload() {
  checkFlag_ = false;
  Ask(QStringLiteral("En estos momentos no se puede bajar el archivo,\r\n"
                     "inténtelo más adelante gracias."),
      platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
      [this](int) { Unload(); });
}

void frmUpdates::CommandCheck_Click() {
  checkFlag_ = true;
  // An installed program keeps its settings apart from its executable.
  QString exe = QString::fromStdString(settings::ProgramFile(kExecutable));
  if (!QFileInfo::exists(exe)) exe = QString::fromStdString(platform::ExecutablePath().string());
  const QFileInfo exeInfo(exe);
  currentVersion_ = VerVersion(exe);
  const QDateTime currentDate = exeInfo.lastModified();
  currentDate_ = QLocale().toString(currentDate, QLocale::ShortFormat);

  QFile infoFile(Folder(kInfoFile));
  QString line;
  const bool readable = infoFile.open(QIODevice::ReadOnly);
  if (readable) {
    line = QString::fromLatin1(infoFile.readLine());
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  }
  if (!readable || line.isEmpty() || line.contains(QLatin1String("<!DOCTYPE"))) {
    CannotDownload();
    return;
  }
  fields_ = line.split(',');
  const std::optional<QDateTime> published = ToDateTime(fields_.value(2), QLocale());
  if (!UsableInfoLine(fields_) || !published || !exeInfo.exists() || !currentDate.isValid()) {
    CannotDownload();
    return;
  }
  const bool newerVersion = IsNewerVersion(fields_[0], currentVersion_);
  const bool newerDate = currentDate < *published;
  if (!newerVersion && !newerDate) {
    Ask(QStringLiteral("No hay una nueva versión,\r\ninténtelo más adelante."),
        platform::kOkOnly | platform::kInformation, QStringLiteral("Updates"), [this](int) {
          checkFlag_ = false;
          Unload();
        });
    return;
  }
  Offer();
}

void frmUpdates::Offer() {
  const QString offer = QStringList{QStringLiteral("Hay una versión más reciente:"),
                                    QStringLiteral("Versión: ") + fields_[0],
                                    QStringLiteral("Tamaño del setup: ") + fields_[3] + " bytes",
                                    QStringLiteral("Fecha del setup: ") + fields_[4].trimmed(),
                                    QStringLiteral("¿Desea descargarla?")}
                            .join(QStringLiteral("\r\n"));
  Ask(offer, platform::kYesNo | platform::kInformation, QStringLiteral("Updates"),
      [this](int answer) {
        // A box closed by the program's end is no Yes.
        if (platform::ProgramEnding()) return;
        if (answer != platform::kAnswerYes) {
          checkFlag_ = false;
          Unload();
          return;
        }
        StartSetupDownload();
      });
}

void frmUpdates::StartSetupDownload() {
  CommandCheck->setEnabled(false);
  Command2->setEnabled(false);
  SetCloseBtnState(this, false);
  const QString setup = Folder(kSetupFile);
  const auto fetch = [this, setup] {
    ProgressBar1->setVisible(true);
    LabelDown->setVisible(true);
    ProgressBar1->setMaximum(100);
    ProgressBar1->setValue(0);
    setupFlag_ = true;
    targetPath_ = setup;
    Inet1->Execute(setupUrl_, QStringLiteral("GET"));
  };
  if (!QFile::exists(setup)) {
    fetch();
    return;
  }
  // Other events get their turn between the removal and the download.
  QFile::remove(setup);
  Later(fetch);
}

void frmUpdates::LanzarSetup() {
  if (!checkFlag_) return;
  const bool handedOver = platform::ShellOpen(Folder(kSetupFile));
  // Other events get their turn before the program ends.
  Later([this, handedOver] {
    checkFlag_ = false;
    setupFlag_ = false;
    // The window must go with the others, or the end is cancelled.
    SetCloseBtnState(this, true);
    if (!handedOver) {
      // Nothing runs the setup: the program stays.
      TransferFailed();
      return;
    }
    if (unloadAllForms_) unloadAllForms_();
  });
}

void frmUpdates::Command2_Click() {
  checkFlag_ = false;
  Unload();
}

void frmUpdates::Unload() {
  SetCloseBtnState(this, true);
  close();
}

bool frmUpdates::MayClose() { return CloseBtnEnabled(this) || platform::ProgramEnding(); }

void frmUpdates::Form_Unload() {
  checkFlag_ = false;
  TimerUpdates->stop();
  if (inet_) inet_->Cancel();
  // No half setup stays behind for someone to start.
  if (setupFlag_ && !setupWhole_) QFile::remove(targetPath_);
  setupFlag_ = false;
}

}  // namespace tools
