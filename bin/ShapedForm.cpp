#include "bin/ShapedForm.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "bin/FormStatus.h"
#include "bin/StatusText.h"
#include "platform/MessageBox.h"
#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/clsTransForm.h"
#include "tools/Access.h"

namespace bin {
namespace {

using settings::Key;

constexpr int kPictureSide = 64;  // every skin picture is this square

QString AboutText() {
  return QStringLiteral(
             "WasteWell v%1.%2.%3\r\nPapelera para sustituir la de Windows ;-)      "
             "\r\n\r\n")
      .arg(PROJECT_VERSION_MAJOR)
      .arg(PROJECT_VERSION_MINOR)
      .arg(PROJECT_VERSION_TWEAK);
}

// While the hot keys are on, an Alt+letter of theirs pressed in one of our
// own windows only does its action: the poller sees it anyway, and the focused
// control must not type the letter or take it as a mnemonic.
class HotKeyEater : public QObject {
 public:
  HotKeyEater(QObject* parent, QString letters) : QObject(parent), letters_(std::move(letters)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
      if ((mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::MetaModifier)) &&
          key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z &&
          letters_.contains(QChar(key->key()))) {
        event->accept();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QString letters_;
};

}  // namespace

ShapedForm::ShapedForm(BinServices services, tools::ToolList tools)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint),
      controller_(std::move(services)),
      view_(std::make_unique<BinView>(controller_, this)),
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
  // A screen reader reads the bin by its name and what it holds.
  setAccessibleName(QStringLiteral("Papelera"));
  tools::Name(pictureMain_, QStringLiteral("Imagen de la papelera"),
              QStringLiteral("La papelera; su dibujo muestra si está vacía o llena"));

  menu_ = std::make_unique<BinMenu>(this, Commands());
  connect(Menu(), &QMenu::aboutToShow, this, [this] { menu_->ShowState(); });

  connect(&controller_, &BinController::PictureChanged, this, [this] {
    update();
    ReshapeAndPaint();
    TellState();
  });
  connect(&controller_, &BinController::EmptyingOver, this, [] { FormStatus::CloseCurrent(); });
  // A change by a tool's hand shows at once, in the pop-up too.
  connect(&controller_, &BinController::TrashChanged, this, [this] {
    if (FormStatus::Current()) ShowStatus();
  });
  connect(&controller_, &BinController::EndRequested, this, [this] {
    exitRequested_ = true;
    close();
  });
}

ShapedForm::~ShapedForm() {
  delete frmMask_;
  delete keyEater_;
}

// ---------------------------------------------------------------- load, unload

bool ShapedForm::Form_Load() {
  // A second copy ends before it changes anything.
  if (!controller_.Start()) return false;

  // The stored picture, until the first poll has looked at the trash.
  shaper_ = std::make_unique<shape::clsTransForm>();
  update();
  ReshapeAndPaint();
  TellState();

  // The desktop layer is asked for before the first showing too, so that the
  // window manager takes the window on with it.
  const BinServices& services = controller_.Services();
  if (const std::optional<QRect> place = StoredPlace(size(), kPictureSide)) setGeometry(*place);
  if (services.attachToDesktop) services.attachToDesktop(this);
  show();

  menu_->ShowState();
  if (controller_.Option(Key::HotKeys)) LoadHotKeyPoller();

  // Again once the showing has gone through, for a window manager that
  // ignores the properties of a window it has not taken on yet.
  QTimer::singleShot(0, this, [this] {
    if (controller_.Services().attachToDesktop) controller_.Services().attachToDesktop(this);
  });
  return true;
}

void ShapedForm::HideDesktopTrashIcon() {
  if (controller_.Services().session) controller_.Services().session->SetTrashIconHidden(true);
}

void ShapedForm::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  controller_.Unload(geometry());
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
  // A large trash emptied at the end shows its progress instead of seeming
  // frozen; the window goes once the emptying is over.
  if (!unloaded_ &&
      controller_.EmptyBeforeExit([this] { QTimer::singleShot(0, this, [this] { close(); }); })) {
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
  // The process ends with the bin window, whoever closed it.
  QCoreApplication::quit();
}

void ShapedForm::WatchTrashBusy(QObject* context, std::function<void()> changed) {
  connect(&controller_, &BinController::BusyChanged, context, std::move(changed));
}

bool ShapedForm::ChangeTrash(bool restoring, bool undo, std::vector<platform::TrashedItem> items,
                             QObject* context,
                             std::function<void(const platform::ItemsResult&)> done) {
  return undo ? controller_.UndoLastDrop(context, std::move(done))
              : controller_.ChangeItems(restoring, std::move(items), context, std::move(done));
}

void ShapedForm::ReshapeAndPaint() {
  if (!shaper_) return;
  try {
    shaper_->ShapeMe(this, kKeyColour, true, std::string());
  } catch (const std::exception&) {
    // The window keeps its previous outline.
  }
  shape::FitPictureToBox(*pictureMain_, controller_.Picture());
}

void ShapedForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor::fromRgb(kKeyColour));
  if (!controller_.Picture().isNull()) p.drawImage(0, 0, controller_.Picture());
}

// ---------------------------------------------------------------- pointer

// Any button drags the window.
void ShapedForm::mousePressEvent(QMouseEvent* event) {
  if (event->buttons() == event->button()) {
    pressPos_ = event->globalPosition().toPoint();
    dragOffset_ = pressPos_ - pos();
    dragging_ = dragged_ = false;
  }
}

void ShapedForm::mouseMoveEvent(QMouseEvent* event) {
  if (!event->buttons()) {
    dragging_ = false;
  } else {
    // The window follows the pointer itself, and only while a button is
    // held: a move handed to the window manager can miss the release and go
    // on after it.
    const QPoint now = event->globalPosition().toPoint();
    if (!dragging_ && (now - pressPos_).manhattanLength() >= QApplication::startDragDistance())
      dragging_ = dragged_ = !controller_.Option(Key::FixedPlace);
    if (dragging_) move(now - dragOffset_);
  }
  ShowStatus();
}

void ShapedForm::mouseReleaseEvent(QMouseEvent* event) {
  if (event->buttons()) return;  // the drag goes on with the buttons still held
  dragging_ = false;
  // A right-button drag only moves the window.
  if (event->button() != Qt::RightButton || std::exchange(dragged_, false)) return;
  FormStatus::CloseCurrent();
  activateWindow();
  raise();
  Menu()->popup(event->globalPosition().toPoint());
}

void ShapedForm::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) form_DblClick();
}

void ShapedForm::TellState() {
  const BinState& state = controller_.State();
  const QString text =
      StatusText(state.binCount, state.binSize, QLocale()).remove(QStringLiteral("\r\n")).trimmed();
  if (text == accessibleDescription()) return;
  setAccessibleDescription(text);
  // Heard at once, wherever the reader is.
  QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&changed);
}

// ---------------------------------------------------------------- keyboard

void ShapedForm::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const bool menuKey = (event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
                       (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
  if (menuKey) {
    FormStatus::CloseCurrent();
    Menu()->popup(mapToGlobal(QPoint(kPictureSide / 2, kPictureSide / 2)));
  } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
             mods == Qt::NoModifier) {
    form_DblClick();
  } else {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
}

void ShapedForm::ShowStatus() {
  const BinState& state = controller_.State();
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
  std::vector<std::filesystem::path> items;
  for (const QUrl& url : event->mimeData()->urls())
    items.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
  controller_.Drop(items);
}

// ---------------------------------------------------------------- commands

void ShapedForm::form_DblClick() { controller_.EmptyByUser(); }

void ShapedForm::MnuVaciar_Click() { form_DblClick(); }

void ShapedForm::MnuOption_Click(Key key) {
  controller_.ToggleOption(key);
  menu_->ShowState();
}

void ShapedForm::MnuHotKeys_Click() {
  const bool on = controller_.ToggleOption(Key::HotKeys);
  menu_->ShowState();
  if (on)
    LoadHotKeyPoller();
  else if (frmMask_)
    frmMask_->close();
  if (!on) delete keyEater_;
}

BinCommands ShapedForm::Commands() {
  // The menu and the poller go with this window (see the destructor), so the
  // commands never outlive it.
  const auto command = [this](const char* name, const char* caption, CommandPlace place,
                              void (ShapedForm::*handler)(), char hotKey = 0) {
    BinCommand c{name, QString::fromUtf8(caption), place, [this, handler] { (this->*handler)(); }};
    c.hotKey = hotKey;
    return c;
  };
  const BinCommands toolRows = ToolCommands(
      tools_, [this](tools::Tool& t) { OpenTool(t); },
      [this](tools::Tool& t) { return t.Enabled(*this); });
  BinCommands table;
  const auto add = [&table](BinCommands rows) {
    for (BinCommand& row : rows) table.push_back(std::move(row));
  };
  const auto addTools = [&](CommandPlace place) {
    for (const BinCommand& row : toolRows)
      if (row.place == place) table.push_back(row);
  };
  table.push_back(command("MnuOpen", "Abrir Papelera -- Alt + a", CommandPlace::Top,
                          &ShapedForm::MnuOpen_Click, kVkA));
  table.back().isDefault = true;
  table.push_back(command("MnuVaciar", "Vaciar Papelera -- Alt + v", CommandPlace::Top,
                          &ShapedForm::MnuVaciar_Click, kVkV));
  addTools(CommandPlace::Utilities);
  // The hot keys start or stop the poller besides.
  add(OptionCommands(
      [this](Key key) {
        if (key == Key::HotKeys)
          MnuHotKeys_Click();
        else
          MnuOption_Click(key);
      },
      [this](Key key) { return controller_.Option(key); }));
  addTools(CommandPlace::Settings);
  add(SkinCommands([this](shape::Skin skin) { SwitchSkin(skin); },
                   [this] { return controller_.Skin(); }));
  table.push_back(command("MnuAcerca", "Acerca de WasteWell", CommandPlace::Help,
                          &ShapedForm::MnuAcerca_Click));
  addTools(CommandPlace::Help);
  table.push_back(
      command("MnuWeb", "Visitar la web", CommandPlace::Help, &ShapedForm::MnuWeb_Click));
  table.push_back(command("MnuLeeme", "Léame", CommandPlace::Help, &ShapedForm::MnuLeeme_Click));
  table.push_back(command("MnuExit", "Salir", CommandPlace::Bottom, &ShapedForm::MnuExit_Click));
  return table;
}

void ShapedForm::LoadHotKeyPoller() {
  if (!frmMask_) {
    const BinServices& services = controller_.Services();
    std::unique_ptr<platform::KeyState> keys =
        services.makeKeyState ? services.makeKeyState() : nullptr;
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
    frmMask_ = new FrmMask(HotKeysOf(menu_->Commands()), std::move(keys));
  }
  if (!keyEater_) {
    QString letters;
    for (const BinCommand& c : menu_->Commands())
      if (c.hotKey && c.available) letters += QChar(c.hotKey);
    keyEater_ = new HotKeyEater(qApp, letters);
    qApp->installEventFilter(keyEater_);
  }
  frmMask_->TimerTecla->start();
}

void ShapedForm::SwitchSkin(shape::Skin skin) {
  controller_.SwitchSkin(skin);
  menu_->ShowState();
}

void ShapedForm::OpenTool(tools::Tool& tool) {
  if (tool.Available()) tool.Open(*this);
}

void ShapedForm::MnuOpen_Click() { controller_.OpenTrash(); }
void ShapedForm::MnuWeb_Click() { controller_.OpenWeb(); }
void ShapedForm::MnuLeeme_Click() { controller_.OpenReadme(); }
void ShapedForm::MnuExit_Click() { controller_.Exit(); }

void ShapedForm::MnuAcerca_Click() {
  setEnabled(false);
  QString text = AboutText();
  platform::MsgBoxThen(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                       platform::kInformation, QStringLiteral("Acerca de..."), this,
                       [this](int) { setEnabled(true); });
}

}  // namespace bin
