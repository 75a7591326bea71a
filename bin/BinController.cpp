#include "bin/BinController.h"

#include <QCoreApplication>

#include "bin/Emptying.h"
#include "platform/Shell.h"
#include "settings/ProgramFolder.h"
#include "shape/SkinImage.h"

namespace bin {
namespace {

using settings::Key;

const char* const kSoundFile = "Reciclaje de Windows XP.wav";
constexpr int kPollMs = 1000;

QString DropReport(const platform::MoveResult& r) {
  QString text = r.stayed.size() == 1 ? QStringLiteral("No se pudo enviar a la papelera:\n")
                                      : QStringLiteral("No se pudieron enviar a la papelera:\n");
  for (const auto& [path, reason] : r.stayed)
    text += QStringLiteral("\n") + QString::fromStdString(path.string()) + QStringLiteral(" (") +
            QString::fromStdString(reason) + QStringLiteral(")");
  return text;
}

}  // namespace

BinController::BinController(BinServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
  if (!services_.decodePicture) services_.decodePicture = shape::SkinPicture;
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &BinController::Poll);
  poll_->start();
}

BinController::~BinController() = default;

void BinController::SetPolling(bool on) {
  if (on)
    poll_->start();
  else
    poll_->stop();
}

bool BinController::Start() {
  if (services_.isOnlyInstance && !services_.isOnlyInstance()) return false;
  const settings::Options options;
  options.SetText(Key::VersionOS, services_.osVersionText ? services_.osVersionText() : "");
  const shape::StartChoice start = shape::StartSkin(options.Text(Key::Picture));
  skin_ = start.skin;
  picture_ = PictureOf(shape::PictureName(start.skin, start.full));
  return true;
}

void BinController::Unload(const QRect& windowTwips, QWidget* dialogParent) {
  poll_->stop();
  const settings::Options options;
  // Not while our own emptying is still going on (an end by the system can
  // arrive in its progress window).
  if (options.IsOn(Key::EmptyOnExit) && !emptying_) Empty(kEmptyNoConfirmation, dialogParent);
  options.SetText(Key::Picture, shape::ExitValue(skin_, state_.binCount));
  options.SetNumber(Key::Left, windowTwips.x());
  options.SetNumber(Key::Top, windowTwips.y());
  options.SetNumber(Key::Width, windowTwips.width());
  options.SetNumber(Key::Height, windowTwips.height());
  // Started again at log-in, the icon stays hidden in between.
  if (!options.IsOn(Key::StartAtLogIn) && services_.session)
    services_.session->SetTrashIconHidden(false);
}

// ---------------------------------------------------------------- the poll

void BinController::Poll() {
  // The progress window lets timers run; the trash is looked at once the
  // emptying is over, not halfway through it.
  if (emptying_) return;
  const platform::BinQuery now = Bin() ? Bin()->query() : platform::BinQuery{};
  const TickAction a = MonitorTick(state_, now, skin_, settings::Options().IsOn(Key::NoSound));
  if (!a.changed) return;
  if (a.picture) picture_ = PictureOf(a.picture);
  if (a.playSound && services_.playWave) services_.playWave(settings::ShippedFile(kSoundFile));
  emit PictureChanged();
}

const QImage& BinController::PictureOf(const char* holderName) {
  auto it = decoded_.find(holderName);
  if (it == decoded_.end())
    it = decoded_.emplace(holderName, services_.decodePicture(QString::fromLatin1(holderName)))
             .first;
  return it->second;
}

// ---------------------------------------------------------------- drop

void BinController::Drop(const std::vector<std::filesystem::path>& items) {
  if (!items.empty() && Bin()) {
    const platform::MoveResult r = Bin()->moveToTrash(items);
    lastDrop_ = r.moved;
    if (!r.stayed.empty()) emit DropLeft(DropReport(r));
  }
  Poll();
}

// ---------------------------------------------------------------- emptying

bool BinController::EmptyByUser(QWidget* dialogParent) {
  if (!Bin() || (state_.binCount == 0 && state_.binSize == 0)) return false;
  EmptyingAsked(state_);
  const int flags = EmptyFlags();
  if (flags & kEmptyNoConfirmation) {
    Empty(flags, dialogParent);
    return true;
  }
  // Alt+V held acts on every tick of the hot-key poll: one question at a time.
  if (asking_ || emptying_) return true;
  asking_ = true;
  // The question belongs to the window, which holds this controller: an
  // answer never comes after either has gone.
  AskToEmpty(Bin()->query().count, dialogParent, [this, flags, dialogParent](bool yes) {
    asking_ = false;
    if (yes)
      Empty(flags, dialogParent);
    else
      EmptyingEnded(state_, false);
  });
  return true;
}

int BinController::EmptyFlags() const {
  const settings::Options options;
  int flags = 0;
  if (options.IsOn(Key::NoConfirm)) flags |= kEmptyNoConfirmation;
  if (options.IsOn(Key::NoProgressBar)) flags |= kEmptyNoProgressUi;
  return flags;
}

void BinController::Empty(int flags, QWidget* dialogParent) {
  if (!Bin() || emptying_) return;
  emptying_ = true;
  const bool done = EmptyNow(*Bin(), flags, dialogParent);
  emptying_ = false;
  if (done) lastDrop_.clear();
  EmptyingEnded(state_, done);
}

// ---------------------------------------------------------------- commands

bool BinController::ToggleOption(Key key) {
  const settings::Options options;
  const bool on = !options.IsOn(key);
  options.SetOn(key, on);
  if (key == Key::StartAtLogIn && services_.session)
    services_.session->SetStartAtLogIn(
        on, platform::AutostartCommandLine(QCoreApplication::applicationFilePath().toStdString(),
                                           settings::ProgramFolderOverride()));
  return on;
}

void BinController::SwitchSkin(shape::Skin skin) {
  const shape::SkinRow& row = shape::RowOf(skin);
  skin_ = skin;
  settings::Options().SetText(Key::Picture, row.savedEmpty);
  picture_ = PictureOf(state_.binSize == 0 ? row.emptyHolder : row.fullHolder);
  emit PictureChanged();
}

void BinController::OpenTrash() {
  if (services_.openTrashFolder) services_.openTrashFolder();
}

void BinController::OpenWeb() {
  platform::ShellOpen(QString::fromStdString(settings::Options().Text(Key::WebServer)));
}

void BinController::OpenReadme() {
  platform::ShellOpen(QString::fromStdString(settings::ShippedFile("leame.txt")));
}

void BinController::Exit() {
  if (services_.session) services_.session->SetTrashIconHidden(false);
  emit EndRequested();
}

}  // namespace bin
