#include "bin/ShapedForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include "app/ModIni.h"
#include "app/ModuleVars.h"
#include "app/ProgramFolder.h"
#include "app/Servers.h"
#include "bin/DesktopIcon.h"
#include "bin/FormStatus.h"
#include "bin/FrmMask.h"
#include "bin/InternetCheck.h"
#include "bin/StatusText.h"
#include "platform/DesktopLayer.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"

namespace bin {
namespace {

const char* const kSettings = "Settings";
const char* const kPosition = "Posición";
const char* const kImages = "Imagenes";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kSoundFile = "Reciclaje de Windows XP.wav";

std::string Ini(const char* section, const char* key) {
  return app::IniRead(section, key, app::OptionsFile());
}
void IniSet(const char* section, const char* key, const std::string& value) {
  app::IniWrite(section, key, value, app::OptionsFile());
}

int ToPixels(long long twips) {
  return static_cast<int>((twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

}  // namespace

BinServices BinServices::System(const std::filesystem::path& executable) {
  BinServices s;
  s.recycleBin = platform::MakeRecycleBin();
  s.registry = platform::MakeRegistryComponent();
  s.makeKeyState = [] { return platform::MakeKeyState(); };
  s.playWave = [](const std::filesystem::path& f) { platform::PlayWaveFile(f); };
  s.isOnlyInstance = [executable] { return platform::AcquireSingleInstance(executable); };
  s.osVersionText = [] { return platform::OSVersionText(); };
  s.attachToDesktop = [](QWidget* w) {
    // The window id is an X11 one only on X11.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
      platform::AttachToDesktop(w->winId());
  };
  return s;
}

ShapedForm::ShapedForm(BinServices services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint),
      services_(std::move(services)) {
  setObjectName("ShapedForm");
  setWindowTitle(QStringLiteral("WasteWell"));
  setWindowRole(QStringLiteral("ShapedForm"));
  setAutoFillBackground(false);
  setAcceptDrops(true);
  setMouseTracking(true);
  resize(ToPixels(kBuiltInWidth), ToPixels(kBuiltInHeight));
  move(ToPixels(kBuiltInLeft), ToPixels(kBuiltInTop));

  PictureMain = new shape::PictureBox(this);
  PictureMain->setObjectName("PictureMain");
  PictureMain->setGeometry(0, 0, 64, 64);
  // The picture box is only drawn on; the window handles the pointer.
  PictureMain->setAttribute(Qt::WA_TransparentForMouseEvents);

  BuildMenu();

  // The poll runs from creation, as the window's own timer does.
  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &ShapedForm::Timer1_Timer);
  Timer1->start();
}

ShapedForm::~ShapedForm() = default;

QAction* ShapedForm::AddItem(QMenu* menu, const char* name, const QString& caption,
                             void (ShapedForm::*handler)(), bool checkable) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  a->setCheckable(checkable);
  if (handler) {
    connect(a, &QAction::triggered, this, [this, a, handler, checkable] {
      // The handlers look at the check mark as it was before the click.
      if (checkable) a->setChecked(!a->isChecked());
      (this->*handler)();
    });
  }
  items_[name] = a;
  return a;
}

void ShapedForm::BuildMenu() {
  MnuBin = new QMenu(QStringLiteral("Menu"), this);
  MnuBin->setObjectName("MnuBin");
  QAction* open =
      AddItem(MnuBin, "MnuOpen", "Abrir Papelera -- Alt + a", &ShapedForm::MnuOpen_Click);
  QFont bold = open->font();
  bold.setBold(true);
  open->setFont(bold);
  MnuBin->setDefaultAction(open);
  AddItem(MnuBin, "MnuVaciar", "Vaciar Papelera -- Alt + v", &ShapedForm::MnuVaciar_Click);
  MnuBin->addSeparator()->setObjectName("Mnulinea");

  QMenu* tools = MnuBin->addMenu(QStringLiteral("Utilidades"));
  tools->menuAction()->setObjectName("MnuTools");
  items_["MnuTools"] = tools->menuAction();
  // Utility windows arrive later; until then their items stay disabled.
  AddItem(tools, "MnuTemp", "Vaciar Carpeta Temporal -- Alt + t", nullptr)->setEnabled(false);
  AddItem(tools, "MnuUtils", "Vaciar/Crear/Eliminar -- Alt + x", nullptr)->setEnabled(false);
  AddItem(tools, "MnuBusca", "Diccionario de la RAE -- Alt + d", nullptr)->setEnabled(false);
  AddItem(tools, "MnuSnap", "SnapShot de Pantalla -- Alt + s", nullptr)->setEnabled(false);
  AddItem(tools, "MnuMaps", "Mapa Satélite Meteorológico -- Alt + w", nullptr)->setEnabled(false);

  QMenu* settings = MnuBin->addMenu(QStringLiteral("Opciones"));
  settings->menuAction()->setObjectName("MnuSettings");
  items_["MnuSettings"] = settings->menuAction();
  AddItem(settings, "MnuNoconfirm", "Sin confirmación", &ShapedForm::MnuNoconfirm_Click, true);
  AddItem(settings, "MnuNobar", "Sin barra de progreso", &ShapedForm::MnuNobar_Click, true);
  AddItem(settings, "MnuNosound", "Sin sonido", &ShapedForm::MnuNosound_Click, true);
  AddItem(settings, "MnuIniwin", "Iniciar con Windows", &ShapedForm::MnuIniwin_Click, true);
  AddItem(settings, "MnuHotKeys", "Habilitar Hotkeys", &ShapedForm::MnuHotKeys_Click, true);
  AddItem(settings, "MnuNomove", "Fijar posición", &ShapedForm::MnuNomove_Click, true);
  AddItem(settings, "MnuVacialsalir", "Vaciar al salir", &ShapedForm::MnuVacialsalir_Click, true);

  QMenu* images = MnuBin->addMenu(QStringLiteral("Cambiar imagen"));
  images->menuAction()->setObjectName("MnuImage");
  items_["MnuImage"] = images->menuAction();
  for (const shape::SkinRow& row : shape::SkinTable()) {
    QAction* a = AddItem(images, row.menuItem, row.caption, nullptr, true);
    const shape::Skin skin = row.skin;
    connect(a, &QAction::triggered, this, [this, skin] { SwitchSkin(skin); });
  }

  QMenu* about = MnuBin->addMenu(QStringLiteral("Ayuda"));
  about->menuAction()->setObjectName("MnuAbout");
  items_["MnuAbout"] = about->menuAction();
  AddItem(about, "MnuAcerca", "Acerca de WasteWell", &ShapedForm::MnuAcerca_Click);
  AddItem(about, "MnuBuscaBin", "Buscar actualizaciones", nullptr)->setEnabled(false);
  AddItem(about, "MnuSendMe", "Enviar comentarios", nullptr)->setEnabled(false);
  AddItem(about, "MnuWeb", "Visitar la web", &ShapedForm::MnuWeb_Click);
  AddItem(about, "MnuLeeme", "Léame", &ShapedForm::MnuLeeme_Click);

  AddItem(MnuBin, "MnuExit", "Salir", &ShapedForm::MnuExit_Click);
}

QAction* ShapedForm::Item(const QString& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

std::optional<shape::Skin> ShapedForm::CheckedSkin(const std::array<shape::Skin, 5>& order) const {
  for (shape::Skin skin : order)
    if (Item(shape::RowOf(skin).menuItem)->isChecked()) return skin;
  return std::nullopt;
}

// ---------------------------------------------------------------- load, unload

bool ShapedForm::Form_Load() {
  // 1. A second copy ends before it changes anything.
  if (services_.isOnlyInstance && !services_.isOnlyInstance()) return false;

  // 2.
  const std::string osVersion = services_.osVersionText ? services_.osVersionText() : "";
  IniSet(kSettings, "Versión OS", osVersion);

  // 3, 4. The stored picture, without looking at the bin itself.
  Shaper = std::make_unique<shape::clsTransForm>();
  const shape::StartChoice start = shape::StartSkin(Ini(kImages, "Imagen"));
  CurrentPicture = shape::SkinPicture(shape::PictureName(start.skin, start.full));
  update();
  Item(shape::RowOf(start.skin).menuItem)->setChecked(true);

  // 5.
  ReshapeAndPaint();

  // 6, 7. The desktop layer is asked for before the first showing too, so
  // that the window manager takes the window on with it.
  RestoreGeometry();
  if (services_.attachToDesktop) services_.attachToDesktop(this);
  show();
  QCoreApplication::processEvents();

  // 8.
  if (app::IsOn(Ini(kSettings, "Sin confirm"))) Item("MnuNoconfirm")->setChecked(true);
  if (app::IsOn(Ini(kSettings, "Sin barra"))) Item("MnuNobar")->setChecked(true);
  if (app::IsOn(Ini(kSettings, "Sin sonido"))) Item("MnuNosound")->setChecked(true);
  if (app::IsOn(Ini(kSettings, "Inicio Windows"))) Item("MnuIniwin")->setChecked(true);
  if (app::IsOn(Ini(kSettings, "Vaciar al salir"))) {
    Item("MnuVacialsalir")->setChecked(true);
    app::EmptyOnExit = true;
  }
  const bool noMove = app::IsOn(Ini(kSettings, "NoMovePos"));
  Item("MnuNomove")->setChecked(noMove);
  MoveAllowed = !noMove;
  if (app::IsOn(Ini(kSettings, "Hotkeys"))) {
    Item("MnuHotKeys")->setChecked(true);
    LoadHotKeyPoller();
  }

  // 9.
  if (services_.attachToDesktop) services_.attachToDesktop(this);
  return true;
}

void ShapedForm::RestoreGeometry() {
  const int left = app::ReadNumber(Ini(kPosition, "WasteWell_Left"));
  const int top = app::ReadNumber(Ini(kPosition, "WasteWell_Top"));
  const int width = app::ReadNumber(Ini(kPosition, "WasteWell_Width"));
  const int height = app::ReadNumber(Ini(kPosition, "WasteWell_Height"));
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
  const QRect picture(place, QSize(std::min(64, size.width()), std::min(64, size.height())));
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

  // 1. Not while our own emptying is still going on (an end by the system
  // can arrive in its progress window).
  if (app::EmptyOnExit && !emptying_) EmptyWithFlags(1);
  // 2.
  IniSet(kImages, "Imagen", shape::ExitValue(CheckedSkin(shape::ExitOrder()), state.binCount));
  // 3.
  const QRect g = geometry();
  IniSet(kPosition, "WasteWell_Left", app::NumberText(g.x() * kTwipsPerPixel));
  IniSet(kPosition, "WasteWell_Top", app::NumberText(g.y() * kTwipsPerPixel));
  IniSet(kPosition, "WasteWell_Width", app::NumberText(g.width() * kTwipsPerPixel));
  IniSet(kPosition, "WasteWell_Height", app::NumberText(g.height() * kTwipsPerPixel));
  // 4. Started again at log-in, the icon stays hidden in between.
  if (!Item("MnuIniwin")->isChecked()) {
    Reg1().data = "0";
    WriteHiddenIconValue(Reg1());
  }
  // 5.
  if (app::ExitRequested) UnloadAllForms();
}

void ShapedForm::UnloadAllForms() {
  FormStatus::CloseCurrent();
  if (frmMask_) frmMask_->close();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->isWindow() && !qobject_cast<QMenu*>(w)) w->close();
  }
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
  const TickAction a =
      MonitorTick(state, CheckedSkin(shape::PollOrder()), Item("MnuNosound")->isChecked());
  if (!a.changed) return;
  update();
  if (a.picture) {
    CurrentPicture = shape::SkinPicture(a.picture);
    update();
  }
  if (a.playSound && services_.playWave) services_.playWave(app::ProgramFile(kSoundFile));
  ReshapeAndPaint();
}

void ShapedForm::ApplyPicture(const char* holderName) {
  CurrentPicture = shape::SkinPicture(holderName);
  update();
  ReshapeAndPaint();
}

void ShapedForm::ReshapeAndPaint() {
  try {
    Shaper->ShapeMe(this, kKeyColour, true, std::string());
  } catch (const std::exception&) {
    // The window keeps its previous outline.
  }
  shape::FitPictureToBox(*PictureMain, CurrentPicture);
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
  }
}

void ShapedForm::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) && MoveAllowed) {
    const QPoint now = event->globalPosition().toPoint();
    if (!dragging_ && (now - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
      dragging_ = true;
      // The window manager moves the window until the button is released;
      // where it cannot, the window follows the pointer itself.
      if (windowHandle() && windowHandle()->startSystemMove()) {
        dragging_ = false;
        return;
      }
    }
    if (dragging_) move(now - dragOffset_);
    return;
  }
  if (!event->buttons()) ShowStatus();
}

void ShapedForm::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  if (event->button() != Qt::RightButton) return;
  FormStatus::CloseCurrent();
  activateWindow();
  raise();
  MnuBin->exec(event->globalPosition().toPoint());
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
  if (!r.stayed.empty()) {
    QString text = r.stayed.size() == 1 ? QStringLiteral("No se pudo enviar a la papelera:\n")
                                        : QStringLiteral("No se pudieron enviar a la papelera:\n");
    for (const auto& [path, reason] : r.stayed)
      text += QStringLiteral("\n") + QString::fromStdString(path.string()) + QStringLiteral(" (") +
              QString::fromStdString(reason) + QStringLiteral(")");
    // Shown once the drop is over, so that the program the files came from
    // is not kept waiting for its answer.
    QTimer::singleShot(0, this, [this, text] {
      platform::MsgBox(text, platform::kExclamation, QStringLiteral("WasteWell"), this);
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
  int flags = 0;
  if (Item("MnuNoconfirm")->isChecked()) flags += 1;
  if (Item("MnuNobar")->isChecked()) flags += 2;
  return flags;
}

void ShapedForm::EmptyRecycleBin(std::string& /*rootPath: every volume*/) {
  EmptyWithFlags(EmptyFlags());
  QCoreApplication::processEvents();
  FormStatus::CloseCurrent();
}

void ShapedForm::EmptyWithFlags(int flags) {
  if (!services_.recycleBin || emptying_) return;
  if (!(flags & 1)) {
    const std::int64_t count = services_.recycleBin->query().count;
    const QString text =
        count == 1
            ? QStringLiteral("¿Seguro que desea eliminar definitivamente este elemento?")
            : QStringLiteral("¿Seguro que desea eliminar definitivamente estos %1 elementos?")
                  .arg(count);
    if (platform::MsgBox(text, platform::kOkCancel | platform::kQuestion,
                         QStringLiteral("Vaciar Papelera"), this) != platform::kAnswerOk) {
      // Nothing was emptied: no sound at some later emptying by anyone else.
      state.selfEmptied = false;
      return;
    }
  }
  std::unique_ptr<QProgressDialog> progress;
  if (!(flags & 2)) {
    progress = std::make_unique<QProgressDialog>(QStringLiteral("Vaciando la papelera..."),
                                                 QStringLiteral("Cancelar"), 0, 100, this);
    progress->setWindowTitle(QStringLiteral("Vaciar Papelera"));
    progress->setMinimumDuration(300);
    progress->setWindowModality(Qt::WindowModal);
  }
  emptying_ = true;
  const platform::EmptyResult r =
      services_.recycleBin->empty([&](std::int64_t done, std::int64_t total) {
        if (!progress) return true;
        progress->setMaximum(static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
        progress->setValue(static_cast<int>(std::min<std::int64_t>(done, INT32_MAX)));
        return !progress->wasCanceled();
      });
  emptying_ = false;
  // Stopped or left unfinished: the bin is not empty by our hand, so a later
  // emptying by anyone else must not be greeted.
  if ((progress && progress->wasCanceled()) || !r.left.empty()) state.selfEmptied = false;
  progress.reset();
  if (!r.left.empty()) {
    QString text = QStringLiteral("No se pudieron eliminar de la papelera:\n");
    int shown = 0;
    for (const auto& path : r.left) {
      if (++shown > 15) {
        text += QStringLiteral("\n... y %1 más").arg(r.left.size() - 15);
        break;
      }
      text += QStringLiteral("\n") + QString::fromStdString(path.string());
    }
    platform::MsgBox(text, platform::kExclamation, QStringLiteral("WasteWell"), this);
  }
}

// ---------------------------------------------------------------- options

void ShapedForm::ToggleOption(QAction* item, const char* key) {
  const bool turnOn = !item->isChecked();
  IniSet(kSettings, key, app::OnOffWord(turnOn));
  item->setChecked(turnOn);
}

void ShapedForm::MnuNoconfirm_Click() { ToggleOption(Item("MnuNoconfirm"), "Sin confirm"); }
void ShapedForm::MnuNobar_Click() { ToggleOption(Item("MnuNobar"), "Sin barra"); }
void ShapedForm::MnuNosound_Click() { ToggleOption(Item("MnuNosound"), "Sin sonido"); }

void ShapedForm::MnuIniwin_Click() {
  ToggleOption(Item("MnuIniwin"), "Inicio Windows");
  if (Item("MnuIniwin")->isChecked())
    AddRunEntry();
  else
    RemoveRunEntry();
}

void ShapedForm::MnuNomove_Click() {
  ToggleOption(Item("MnuNomove"), "NoMovePos");
  MoveAllowed = !Item("MnuNomove")->isChecked();
}

void ShapedForm::MnuVacialsalir_Click() {
  ToggleOption(Item("MnuVacialsalir"), "Vaciar al salir");
  app::EmptyOnExit = Item("MnuVacialsalir")->isChecked();
}

void ShapedForm::MnuHotKeys_Click() {
  ToggleOption(Item("MnuHotKeys"), "Hotkeys");
  if (Item("MnuHotKeys")->isChecked()) {
    LoadHotKeyPoller();
  } else {
    app::HotKeysOn = false;
    if (frmMask_) frmMask_->close();
  }
}

void ShapedForm::LoadHotKeyPoller() {
  app::HotKeysOn = true;
  if (!frmMask_) {
    std::unique_ptr<platform::KeyState> keys =
        services_.makeKeyState ? services_.makeKeyState() : nullptr;
    if (!keys) {
      if (!hotKeysWarned_) {
        hotKeysWarned_ = true;
        platform::MsgBox(QStringLiteral("Las teclas rápidas necesitan una sesión X11; en esta "
                                        "sesión no funcionarán."),
                         platform::kExclamation, QStringLiteral("Error-Info WasteWell"), this);
      }
      return;
    }
    frmMask_ = new FrmMask(this, std::move(keys));
  }
  frmMask_->TimerTecla->start();
}

void ShapedForm::AddRunEntry() {
  SelectRunValue();
  Reg1().data = platform::AutostartCommandLine(
      QCoreApplication::applicationFilePath().toStdString(), app::ProgramFolderOverride());
  Reg1().WriteValue();
}

void ShapedForm::RemoveRunEntry() {
  SelectRunValue();
  Reg1().DeleteValue();
}

void ShapedForm::SelectRunValue() {
  platform::RegistryComponent& reg = Reg1();
  reg.rootKey = 1;
  reg.valueType = 1;
  reg.valueName = "WasteWell";
  reg.keyPath = kRunKey;
}

// ---------------------------------------------------------------- skins

void ShapedForm::SwitchSkin(shape::Skin skin) {
  const shape::SkinRow& row = shape::RowOf(skin);
  update();
  IniSet(kImages, "Imagen", row.savedEmpty);
  ApplyPicture(state.binSize == 0 ? row.emptyHolder : row.fullHolder);
  for (const shape::SkinRow& other : shape::SkinTable())
    Item(other.menuItem)->setChecked(other.skin == skin);
}

// ---------------------------------------------------------------- commands

void ShapedForm::MnuOpen_Click() {
  if (services_.openTrashFolder) {
    services_.openTrashFolder();
    return;
  }
  // The desktop's file manager shows trash:/// when it can; otherwise the
  // home trash's files folder is the next best thing. Nothing waits here.
  auto* gio = new QProcess(this);
  auto fallback = [this, gio] {
    gio->deleteLater();
    if (services_.recycleBin)
      platform::ShellOpen(
          QString::fromStdString(services_.recycleBin->homeTrashFilesFolder().string()));
  };
  connect(gio, &QProcess::finished, this, [gio, fallback](int code, QProcess::ExitStatus st) {
    if (code != 0 || st != QProcess::NormalExit)
      fallback();
    else
      gio->deleteLater();
  });
  connect(gio, &QProcess::errorOccurred, this, [fallback](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) fallback();
  });
  gio->start(QStringLiteral("gio"), {QStringLiteral("open"), QStringLiteral("trash:///")});
}

void ShapedForm::MnuBusca_Click() {}
void ShapedForm::MnuSnap_Click() {}

void ShapedForm::MnuMaps_Click() {
  app::ConnCheckAddress = app::ServerAddress("Conexion");
  if (IsInternetReachable(app::ConnCheckAddress)) {
    // The map viewer opens here once it exists.
  } else {
    platform::MsgBox(QStringLiteral("Problemas al conectar, compruebe su conexión a internet o "
                                    "vuélvalo a intentar."),
                     platform::kExclamation, QStringLiteral("Error-Info WasteWell"), this);
  }
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
  platform::MsgBox(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                   platform::kInformation, QStringLiteral("Acerca de..."), this);
  setEnabled(true);
}

void ShapedForm::MnuWeb_Click() {
  platform::ShellOpen(QString::fromStdString(app::ServerAddress("Web")));
}

void ShapedForm::MnuLeeme_Click() {
  platform::ShellOpen(QString::fromStdString(app::ProgramFile("leame.txt")));
}

void ShapedForm::MnuExit_Click() {
  Reg1().data = "0";
  WriteHiddenIconValue(Reg1());
  RefreshDesktop();
  app::ExitRequested = true;
  close();
}

}  // namespace bin
