#include "bin/ShapedForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QUrl>

#include "bin/Emptying.h"
#include "bin/FormStatus.h"
#include "bin/StatusText.h"
#include "platform/DesktopLayer.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/TrashFolder.h"
#include "settings/ProgramFolder.h"
#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"

namespace bin {
namespace {

using settings::Key;

const char* const kSoundFile = "Reciclaje de Windows XP.wav";
constexpr int kPollMs = 1000;
constexpr int kPictureSide = 64;  // every skin picture is this square

}  // namespace

BinServices BinServices::System(const std::filesystem::path& executable) {
  BinServices s;
  s.recycleBin = platform::MakeRecycleBin();
  s.session = platform::MakeDesktopSession();
  s.makeKeyState = [] { return platform::MakeKeyState(); };
  s.playWave = [](const std::filesystem::path& f) { platform::PlayWaveFile(f); };
  s.isOnlyInstance = [executable] { return platform::AcquireSingleInstance(executable); };
  s.osVersionText = [] { return platform::OSVersionText(); };
  s.attachToDesktop = [](QWidget* w) { platform::AttachToDesktop(w->winId()); };
  return s;
}

ShapedForm::ShapedForm(BinServices services, tools::ToolList tools)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint),
      services_(std::move(services)),
      tools_(std::move(tools)) {
  setObjectName("ShapedForm");
  setWindowTitle(QStringLiteral("WasteWell"));
  setWindowRole(QStringLiteral("ShapedForm"));
  setAutoFillBackground(false);
  setAcceptDrops(true);
  setMouseTracking(true);
  resize(ToPixels(kBuiltInWidth), ToPixels(kBuiltInHeight));
  move(ToPixels(kBuiltInLeft), ToPixels(kBuiltInTop));

  pictureMain_ = new shape::PictureBox(this);
  pictureMain_->setObjectName("PictureMain");
  pictureMain_->setGeometry(0, 0, kPictureSide, kPictureSide);
  // The picture box is only drawn on; the window handles the pointer.
  pictureMain_->setAttribute(Qt::WA_TransparentForMouseEvents);

  menu_ = std::make_unique<BinMenu>(this, tools_);
  connect(Menu(), &QMenu::aboutToShow, this, [this] { menu_->ShowState(skin_); });

  // The poll runs from creation, as the window's own timer does.
  Timer1 = new QTimer(this);
  Timer1->setInterval(kPollMs);
  connect(Timer1, &QTimer::timeout, this, &ShapedForm::Timer1_Timer);
  Timer1->start();
}

ShapedForm::~ShapedForm() { delete frmMask_; }

// ---------------------------------------------------------------- load, unload

bool ShapedForm::Form_Load() {
  // A second copy ends before it changes anything.
  if (services_.isOnlyInstance && !services_.isOnlyInstance()) return false;

  const settings::Options options;
  options.SetText(Key::VersionOS, services_.osVersionText ? services_.osVersionText() : "");

  // The stored picture, until the first poll has looked at the trash.
  shaper_ = std::make_unique<shape::clsTransForm>();
  const shape::StartChoice start = shape::StartSkin(options.Text(Key::Picture));
  skin_ = start.skin;
  CurrentPicture = shape::SkinPicture(shape::PictureName(start.skin, start.full));
  update();
  ReshapeAndPaint();

  // The desktop layer is asked for before the first showing too, so that the
  // window manager takes the window on with it.
  RestoreGeometry();
  if (services_.attachToDesktop) services_.attachToDesktop(this);
  show();

  menu_->ShowState(skin_);
  if (options.IsOn(Key::HotKeys)) LoadHotKeyPoller();

  // Again once the showing has gone through, for a window manager that
  // ignores the properties of a window it has not taken on yet.
  QTimer::singleShot(0, this, [this] {
    if (services_.attachToDesktop) services_.attachToDesktop(this);
  });
  return true;
}

void ShapedForm::HideDesktopTrashIcon() {
  if (services_.session) services_.session->SetTrashIconHidden(true);
}

void ShapedForm::RestoreGeometry() {
  const settings::Options options;
  const int left = options.Number(Key::Left);
  const int top = options.Number(Key::Top);
  const int width = options.Number(Key::Width);
  const int height = options.Number(Key::Height);
  if (left == 0 && top == 0 && width == 0 && height == 0) return;

  // A size of nothing, or a place on no screen, would leave the user no
  // window to reach the menu from: keep the built-in ones instead.
  QSize size(ToPixels(width), ToPixels(height));
  if (size.width() <= 0 || size.height() <= 0) size = this->size();
  // Nor one larger than the screens: every change of picture scans the
  // whole window.
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  if (!desktop.isEmpty()) size = size.boundedTo(desktop.size());
  QPoint place(ToPixels(left), ToPixels(top));
  const QRect picture(
      place, QSize(std::min(kPictureSide, size.width()), std::min(kPictureSide, size.height())));
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens())
    onScreen = onScreen || screen->geometry().intersects(picture);
  if (!onScreen && !QGuiApplication::screens().isEmpty())
    place = QPoint(ToPixels(kBuiltInLeft), ToPixels(kBuiltInTop));
  setGeometry(QRect(place, size));
}

void ShapedForm::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  Timer1->stop();

  const settings::Options options;
  // Not while our own emptying is still going on (an end by the system can
  // arrive in its progress window).
  if (options.IsOn(Key::EmptyOnExit) && !emptying_) Empty(kEmptyNoConfirmation);
  options.SetText(Key::Picture, shape::ExitValue(skin_, state.binCount));
  const QRect g = geometry();
  options.SetNumber(Key::Left, g.x() * kTwipsPerPixel);
  options.SetNumber(Key::Top, g.y() * kTwipsPerPixel);
  options.SetNumber(Key::Width, g.width() * kTwipsPerPixel);
  options.SetNumber(Key::Height, g.height() * kTwipsPerPixel);
  // Started again at log-in, the icon stays hidden in between.
  if (!options.IsOn(Key::StartAtLogIn) && services_.session)
    services_.session->SetTrashIconHidden(false);
  if (exitRequested_) UnloadAllForms();
}

void ShapedForm::UnloadAllForms() {
  FormStatus::CloseCurrent();
  if (frmMask_) frmMask_->close();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isWindow() && !qobject_cast<QMenu*>(w)) w->close();
  // Last, so that the others are gone when the process ends with it.
  if (!unloaded_) close();
}

void ShapedForm::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
  // The process ends with the bin window, whoever closed it.
  QCoreApplication::quit();
}

// ---------------------------------------------------------------- the poll

void ShapedForm::QueryRecycleBin() {
  platform::BinQuery q;
  if (services_.recycleBin) q = services_.recycleBin->query();
  state.binCount = q.count;
  state.binSize = q.size;
}

void ShapedForm::Timer1_Timer() {
  // The progress window lets timers run; the trash is looked at once the
  // emptying is over, not halfway through it.
  if (emptying_) return;
  QueryRecycleBin();
  const TickAction a = MonitorTick(state, skin_, settings::Options().IsOn(Key::NoSound));
  if (!a.changed) return;
  update();
  if (a.picture) {
    CurrentPicture = shape::SkinPicture(a.picture);
    update();
  }
  if (a.playSound && services_.playWave) services_.playWave(settings::ShippedFile(kSoundFile));
  ReshapeAndPaint();
}

void ShapedForm::BinChanged() {
  Timer1_Timer();
  if (FormStatus::Current()) ShowStatus();
}

void ShapedForm::ApplyPicture(const char* holderName) {
  CurrentPicture = shape::SkinPicture(holderName);
  update();
  ReshapeAndPaint();
}

void ShapedForm::ReshapeAndPaint() {
  try {
    shaper_->ShapeMe(this, kKeyColour, true, std::string());
  } catch (const std::exception&) {
    // The window keeps its previous outline.
  }
  shape::FitPictureToBox(*pictureMain_, CurrentPicture);
}

void ShapedForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor::fromRgb(kKeyColour));
  if (!CurrentPicture.isNull()) p.drawImage(0, 0, CurrentPicture);
}

// ---------------------------------------------------------------- pointer

void ShapedForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressPos_ = event->globalPosition().toPoint();
    dragOffset_ = pressPos_ - pos();
    dragging_ = false;
  }
}

void ShapedForm::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) {
    dragging_ = false;
    if (!event->buttons()) ShowStatus();
    return;
  }
  // The window follows the pointer itself, and only while the button is
  // held: a move handed to the window manager can miss the release and go
  // on after it.
  const QPoint now = event->globalPosition().toPoint();
  if (!dragging_ && (now - pressPos_).manhattanLength() >= QApplication::startDragDistance())
    dragging_ = !settings::Options().IsOn(Key::FixedPlace);
  if (dragging_) move(now - dragOffset_);
}

void ShapedForm::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  if (event->button() != Qt::RightButton) return;
  FormStatus::CloseCurrent();
  activateWindow();
  raise();
  Menu()->popup(event->globalPosition().toPoint());
}

void ShapedForm::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) form_DblClick();
}

void ShapedForm::ShowStatus() {
  FormStatus* status = FormStatus::LoadIfNeeded();
  QString text = StatusText(state.binCount, state.binSize, QLocale());
  status->LabelStatus->setText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  status->LabelStatus->adjustSize();
  const QSize label = status->LabelStatus->size();
  const StatusPlace place =
      PlaceStatus(x() * kTwipsPerPixel, y() * kTwipsPerPixel, label.width() * kTwipsPerPixel,
                  label.height() * kTwipsPerPixel, state.binCount == 0);
  status->setGeometry(ToPixels(place.left), ToPixels(place.top), ToPixels(place.width),
                      ToPixels(place.height));
  if (!status->isVisible()) {
    status->show();
    status->lower();
  }
}

// ---------------------------------------------------------------- drop

namespace {
bool AllLocalFiles(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return false;
  for (const QUrl& url : data->urls())
    if (!url.isLocalFile() || url.toLocalFile().isEmpty()) return false;
  return true;
}
}  // namespace

// Anything but local files is refused, and the pointer shows it.
void ShapedForm::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void ShapedForm::dragMoveEvent(QDragMoveEvent* event) {
  if (AllLocalFiles(event->mimeData())) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void ShapedForm::dropEvent(QDropEvent* event) {
  if (!AllLocalFiles(event->mimeData())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  std::string list;
  for (const QUrl& url : event->mimeData()->urls()) {
    list += QFile::encodeName(url.toLocalFile()).toStdString();
    list += '\0';
  }
  MoveToRecycleBin(list, true);
  Timer1_Timer();
}

bool ShapedForm::MoveToRecycleBin(const std::string& fileSpec, bool /*noConfirm*/) {
  std::vector<std::filesystem::path> items;
  std::size_t start = 0;
  while (start < fileSpec.size()) {
    const std::size_t end = fileSpec.find('\0', start);
    const std::string name = fileSpec.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty()) break;  // the closing double NUL
    items.emplace_back(name);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (items.empty() || !services_.recycleBin) return false;
  const platform::MoveResult r = services_.recycleBin->moveToTrash(items);
  lastDrop_ = r.moved;
  if (!r.stayed.empty()) {
    QString text = r.stayed.size() == 1 ? QStringLiteral("No se pudo enviar a la papelera:\n")
                                        : QStringLiteral("No se pudieron enviar a la papelera:\n");
    for (const auto& [path, reason] : r.stayed)
      text += QStringLiteral("\n") + QString::fromStdString(path.string()) + QStringLiteral(" (") +
              QString::fromStdString(reason) + QStringLiteral(")");
    // Shown once the drop is over, so that the program the files came from
    // is not kept waiting for its answer.
    QTimer::singleShot(0, this, [this, text] {
      platform::MsgBoxThen(text, platform::kExclamation, QStringLiteral("WasteWell"), this,
                           nullptr);
    });
  }
  return r.ok;
}

// ---------------------------------------------------------------- emptying

void ShapedForm::form_DblClick() {
  if (state.binCount == 0 && state.binSize == 0) return;
  state.selfEmptied = true;
  std::string root;
  EmptyRecycleBin(root);
}

void ShapedForm::MnuVaciar_Click() { form_DblClick(); }

int ShapedForm::EmptyFlags() const {
  const settings::Options options;
  int flags = 0;
  if (options.IsOn(Key::NoConfirm)) flags |= kEmptyNoConfirmation;
  if (options.IsOn(Key::NoProgressBar)) flags |= kEmptyNoProgressUi;
  return flags;
}

void ShapedForm::EmptyRecycleBin(std::string& /*rootPath: every volume*/) {
  Empty(EmptyFlags());
  // The pop-up goes once what the emptying left pending has run.
  QTimer::singleShot(0, this, [] { FormStatus::CloseCurrent(); });
}

void ShapedForm::Empty(int flags) {
  if (!services_.recycleBin || emptying_) return;
  emptying_ = true;
  const bool done = EmptyWithFlags(*services_.recycleBin, flags, this);
  emptying_ = false;
  if (done) lastDrop_.clear();
  // Declined, stopped or left unfinished: the bin is not empty by our hand,
  // so a later emptying by anyone else must not be greeted.
  if (!done) state.selfEmptied = false;
}

// ---------------------------------------------------------------- options

bool ShapedForm::ToggleOption(Key key) {
  const settings::Options options;
  const bool on = !options.IsOn(key);
  options.SetOn(key, on);
  menu_->ShowState(skin_);
  return on;
}

void ShapedForm::MnuNoconfirm_Click() { ToggleOption(Key::NoConfirm); }
void ShapedForm::MnuNobar_Click() { ToggleOption(Key::NoProgressBar); }
void ShapedForm::MnuNosound_Click() { ToggleOption(Key::NoSound); }
void ShapedForm::MnuNomove_Click() { ToggleOption(Key::FixedPlace); }
void ShapedForm::MnuVacialsalir_Click() { ToggleOption(Key::EmptyOnExit); }

void ShapedForm::MnuIniwin_Click() {
  const bool on = ToggleOption(Key::StartAtLogIn);
  if (!services_.session) return;
  services_.session->SetStartAtLogIn(
      on, platform::AutostartCommandLine(QCoreApplication::applicationFilePath().toStdString(),
                                         settings::ProgramFolderOverride()));
}

void ShapedForm::MnuHotKeys_Click() {
  if (ToggleOption(Key::HotKeys))
    LoadHotKeyPoller();
  else if (frmMask_)
    frmMask_->close();
}

HotKeyActions ShapedForm::HotKeys() {
  // The poller goes with this window (see the destructor), so its actions
  // never outlive it.
  HotKeyActions actions;
  actions.openBin = [this] { MnuOpen_Click(); };
  actions.emptyBin = [this] { form_DblClick(); };
  for (const auto& tool : tools_) {
    const tools::ToolInfo& info = tool->Info();
    if (!info.hotKey || !tool->Available()) continue;
    tools::Tool* t = tool.get();
    actions.tools.push_back({info.hotKey, [this, t] { OpenTool(*t); }});
  }
  return actions;
}

void ShapedForm::LoadHotKeyPoller() {
  if (!frmMask_) {
    std::unique_ptr<platform::KeyState> keys =
        services_.makeKeyState ? services_.makeKeyState() : nullptr;
    if (!keys) {
      if (!hotKeysWarned_) {
        hotKeysWarned_ = true;
        platform::MsgBoxThen(QStringLiteral("Las teclas rápidas necesitan una sesión X11; en "
                                            "esta sesión no funcionarán."),
                             platform::kExclamation, QStringLiteral("Error-Info WasteWell"), this,
                             nullptr);
      }
      return;
    }
    frmMask_ = new FrmMask(HotKeys(), std::move(keys));
  }
  frmMask_->TimerTecla->start();
}

// ---------------------------------------------------------------- skins

void ShapedForm::SwitchSkin(shape::Skin skin) {
  const shape::SkinRow& row = shape::RowOf(skin);
  skin_ = skin;
  update();
  settings::Options().SetText(Key::Picture, row.savedEmpty);
  ApplyPicture(state.binSize == 0 ? row.emptyHolder : row.fullHolder);
  menu_->ShowState(skin_);
}

// ---------------------------------------------------------------- commands

void ShapedForm::OpenTool(tools::Tool& tool) {
  if (tool.Available()) tool.Open(*this);
}

void ShapedForm::MnuOpen_Click() {
  if (services_.openTrashFolder) {
    services_.openTrashFolder();
    return;
  }
  platform::OpenTrashFolder(services_.recycleBin ? services_.recycleBin->homeTrashFilesFolder()
                                                 : std::filesystem::path());
}

QString ShapedForm::AboutText() {
  return QStringLiteral(
             "WasteWell v%1.%2.%3\r\nPapelera para sustituir la de Windows ;-)      "
             "\r\n\r\n")
      .arg(PROJECT_VERSION_MAJOR)
      .arg(PROJECT_VERSION_MINOR)
      .arg(PROJECT_VERSION_TWEAK);
}

void ShapedForm::MnuAcerca_Click() {
  setEnabled(false);
  QString text = AboutText();
  platform::MsgBoxThen(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                       platform::kInformation, QStringLiteral("Acerca de..."), this,
                       [this](int) { setEnabled(true); });
}

void ShapedForm::MnuWeb_Click() {
  platform::ShellOpen(QString::fromStdString(settings::Options().Text(Key::WebServer)));
}

void ShapedForm::MnuLeeme_Click() {
  platform::ShellOpen(QString::fromStdString(settings::ShippedFile("leame.txt")));
}

void ShapedForm::MnuExit_Click() {
  if (services_.session) services_.session->SetTrashIconHidden(false);
  exitRequested_ = true;
  close();
}

}  // namespace bin
