#include "bin/BinController.h"

#include <QCoreApplication>
#include <QPointer>
#include <utility>

#include "bin/BinPlace.h"
#include "platform/Shell.h"
#include "settings/ProgramFolder.h"
#include "settings/PurgeOptions.h"
#include "shape/SkinImage.h"

namespace bin {
namespace {

using settings::Key;

const char* const kSoundFile = "Reciclaje de Windows XP.wav";
const Key kMenuOptions[] = {Key::NoConfirm, Key::NoProgressBar, Key::NoSound,    Key::StartAtLogIn,
                            Key::HotKeys,   Key::FixedPlace,    Key::EmptyOnExit};
constexpr int kPollMs = 1000;
constexpr int kPurgeEveryMs = 60 * 60 * 1000;

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
  for (Key key : kMenuOptions) options_[key] = options.IsOn(key);
  const shape::StartChoice start = shape::StartSkin(options.Text(Key::Picture));
  skin_ = start.skin;
  picture_ = PictureOf(shape::PictureName(start.skin, start.full));
  // What a copy of a run that died halfway left goes, off the interface
  // thread. It changes nothing of the trash: nothing waits for it.
  if (std::unique_ptr<platform::RecycleBin> own =
          services_.makeRecycleBin ? services_.makeRecycleBin() : nullptr)
    cleanup_ = new TrashWork(
        std::move(own),
        [](platform::RecycleBin& b) {
          b.removeLeftCopies();
          return platform::ItemsResult{};
        },
        nullptr, this);
  if (services_.makeRecycleBin) {
    purge_ = new AutoPurge(services_.makeRecycleBin, this);
    purgeTimer_ = new QTimer(this);
    connect(purgeTimer_, &QTimer::timeout, this, [this] {
      purgeTimer_->start(kPurgeEveryMs);
      PurgePass();
    });
    purgeTimer_->setSingleShot(true);
    purgeTimer_->start(services_.firstPurgeMs);
  }
  return true;
}

void BinController::Unload(const QRect& window) {
  poll_->stop();
  // A purge's pass ends before anything else touches the trash.
  delete std::exchange(purge_, nullptr);
  // A change of items stops at its next step: the end never waits on a copy.
  if (work_) work_->Stop();
  delete std::exchange(work_, nullptr);
  delete std::exchange(cleanup_, nullptr);
  // The program never ends halfway through an emptying of ours. Its window is
  // going: what stayed is not named, here or below.
  if (emptying_) {
    const EmptyOutcome o = emptying_->Finish();
    delete std::exchange(emptying_, nullptr);
    emit EmptyingStopped();
    EmptyingEnded(state_, o.emptied);
  }
  // What waited for it goes where the user sent it.
  if (!waitingDrop_.empty() && Bin()) Bin()->moveToTrash(std::exchange(waitingDrop_, {}));
  const settings::Options options;
  // An end that could not wait: the interface thread empties, with no window.
  if (Option(Key::EmptyOnExit) && !exitEmptied_ && Bin())
    Bin()->empty([](std::int64_t, std::int64_t) { return true; });
  options.SetText(Key::Picture, shape::ExitValue(skin_, state_.binCount));
  StorePlace(window);
  // Started again at log-in, the icon stays hidden in between.
  if (!Option(Key::StartAtLogIn) && services_.session) services_.session->SetTrashIconHidden(false);
}

bool BinController::EmptyBeforeExit(std::function<void()> then) {
  if (!Option(Key::EmptyOnExit) || exitEmptied_ || !Bin()) return false;
  if (emptying_ || asking_) {
    afterEmptying_ = std::move(then);
    return true;
  }
  if (state_.binCount == 0 && state_.binSize == 0) return false;
  exitEmptied_ = true;
  afterEmptying_ = std::move(then);
  Empty(kEmptyNoConfirmation);
  return true;
}

// ---------------------------------------------------------------- the poll

void BinController::Poll() {
  // The trash is looked at once the emptying is over, not halfway through it.
  if (emptying_) return;
  const platform::BinQuery now = Bin() ? Bin()->query() : platform::BinQuery{};
  const TickAction a = MonitorTick(state_, now, skin_, Option(Key::NoSound));
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
  // Nothing dropped now is for the emptying or the purge under way to delete,
  // nor for a change under way to meet halfway.
  if (emptying_ || work_ || Purging()) {
    waitingDrop_.insert(waitingDrop_.end(), items.begin(), items.end());
    return;
  }
  if (AskBeforeDrop(items)) return;
  Move(items);
  // Over the share, the oldest go now.
  if (!items.empty() && settings::ReadPurgeSettings().oldestGo) PurgePass();
}

void BinController::Move(const std::vector<std::filesystem::path>& items) {
  if (!items.empty() && Bin()) {
    const platform::MoveResult r = Bin()->moveToTrash(items);
    lastDrop_ = r.moved;
    if (!r.stayed.empty()) emit DropLeft(DropReport(r));
  }
  Poll();
}

// ---------------------------------------------------------------- automatic purge

bool BinController::AskBeforeDrop(const std::vector<std::filesystem::path>& items) {
  const platform::PurgeSettings rules = settings::ReadPurgeSettings();
  if (rules.percent <= 0 || items.empty() || !Bin()) return false;
  std::unique_ptr<platform::TrashPurger> purger = platform::MakeTrashPurger(*Bin());
  if (!purger) return false;
  bool ask = false;
  for (const platform::DropShare& d : purger->SharesOf(items))
    ask = ask || platform::DropAsks(rules, d.diskSize, d.trashSize, d.dropSize, d.largestItem);
  if (!ask) return false;
  emit DropQuestion(rules.percent, items);
  return true;
}

void BinController::MoveAfterAll(const std::vector<std::filesystem::path>& items) {
  if (emptying_ || work_ || Purging())
    waitingDrop_.insert(waitingDrop_.end(), items.begin(), items.end());
  else
    Move(items);
}

bool BinController::PurgePass() {
  const platform::PurgeSettings rules = settings::ReadPurgeSettings();
  if (!purge_ || !rules.On() || emptying_ || asking_ || work_) return false;
  if (!purge_->Run(rules, [this](const PurgeOutcome& o) { PurgeDone(o); })) return false;
  emit BusyChanged();
  return true;
}

void BinController::PurgeDone(const PurgeOutcome& o) {
  if (o.removed > 0) {
    lastDrop_.clear();
    if (services_.notify) services_.notify(PurgeNotice(o).toStdString());
    emit TrashChanged();
  }
  emit BusyChanged();
  if (std::exchange(emptyAfterPurge_, false))
    EmptyByUser();
  else if (!waitingDrop_.empty())
    Drop(std::exchange(waitingDrop_, {}));
  else
    Poll();
}

// ---------------------------------------------------------------- emptying

bool BinController::EmptyByUser() {
  if (!Bin() || (state_.binCount == 0 && state_.binSize == 0)) return false;
  if (work_) {
    emit Refused(BusyReason());
    return true;
  }
  // The purge's pass ends first; the emptying follows it.
  if (Purging()) {
    emptyAfterPurge_ = true;
    return true;
  }
  EmptyingAsked(state_);
  const int flags = EmptyFlags();
  if (flags & kEmptyNoConfirmation) {
    Empty(flags);
    return true;
  }
  // Alt+V held acts on every tick of the hot-key poll: one question at a time.
  if (asking_ || emptying_) return true;
  asking_ = true;
  askedFlags_ = flags;
  emit EmptyQuestion(Bin()->query().count);
  return true;
}

void BinController::AnswerEmpty(bool yes) {
  if (!std::exchange(asking_, false)) return;
  if (yes) {
    Empty(askedFlags_);
    return;
  }
  EmptyingEnded(state_, false);
  emit EmptyingOver();
  if (auto then = std::exchange(afterEmptying_, nullptr)) then();
}

void BinController::StopEmptying() {
  if (emptying_) emptying_->Cancel();
}

int BinController::EmptyFlags() const {
  int flags = 0;
  if (Option(Key::NoConfirm)) flags |= kEmptyNoConfirmation;
  if (Option(Key::NoProgressBar)) flags |= kEmptyNoProgressUi;
  return flags;
}

void BinController::Empty(int flags) {
  if (!Bin() || emptying_) return;
  // Asked while a change ran, answered after it began: the question waited.
  if (work_) {
    EmptyingEnded(state_, false);
    emit Refused(BusyReason());
    emit EmptyingOver();
    return;
  }
  std::unique_ptr<platform::RecycleBin> own =
      services_.makeRecycleBin ? services_.makeRecycleBin() : nullptr;
  if (!own) {
    EmptyingEnded(state_, false);
    emit EmptyingOver();
    if (auto then = std::exchange(afterEmptying_, nullptr)) then();
    return;
  }
  // The run is this controller's child: its end never comes after the bin has gone.
  emptying_ = new EmptyingRun(
      std::move(own),
      [this](std::int64_t done, std::int64_t total) { emit EmptyingProgress(done, total); },
      [this](const EmptyOutcome& o) { EmptyingDone(o); }, this);
  emit EmptyingStarted(!(flags & kEmptyNoProgressUi));
  // Whatever the emptying reaches may be gone in part, however it ends: the
  // last drop can no longer come back whole.
  lastDrop_.clear();
  emit BusyChanged();
}

void BinController::EmptyingDone(const EmptyOutcome& o) {
  std::exchange(emptying_, nullptr)->deleteLater();
  emit EmptyingStopped();
  EmptyingEnded(state_, o.emptied);
  if (!o.result.left.empty()) emit EmptyingLeft(o.result);
  if (waitingDrop_.empty())
    Poll();
  else
    Drop(std::exchange(waitingDrop_, {}));  // polls after it
  emit BusyChanged();
  emit EmptyingOver();
  if (auto then = std::exchange(afterEmptying_, nullptr)) then();
}

// ---------------------------------------------------------------- changes of items

QString BinController::BusyReason() const {
  if (emptying_) return QStringLiteral("Se está vaciando la papelera. Espere a que termine.");
  if (work_) return workReason_;
  if (Purging())
    return QStringLiteral("Se está vaciando la papelera automáticamente. Espere a que termine.");
  return {};
}

bool BinController::Run(QString reason, TrashWork::Work work, QObject* context,
                        std::function<void(const platform::ItemsResult&)> done) {
  if (!Bin() || emptying_ || work_ || Purging()) return false;
  std::unique_ptr<platform::RecycleBin> own =
      services_.makeRecycleBin ? services_.makeRecycleBin() : nullptr;
  if (!own) return false;
  workReason_ = std::move(reason);
  work_ = new TrashWork(
      std::move(own), std::move(work),
      [this, context = QPointer<QObject>(context), hasContext = context != nullptr,
       done = std::move(done)](const platform::ItemsResult& r) {
        std::exchange(work_, nullptr)->deleteLater();
        if (waitingDrop_.empty())
          Poll();
        else
          Drop(std::exchange(waitingDrop_, {}));  // polls after it
        emit TrashChanged();
        emit BusyChanged();
        if (done && (!hasContext || context)) done(r);
      },
      this);
  emit BusyChanged();
  return true;
}

bool BinController::ChangeItems(bool restoring, std::vector<platform::TrashedItem> items,
                                QObject* context,
                                std::function<void(const platform::ItemsResult&)> done) {
  if (items.empty()) return false;
  return Run(
      restoring ? QStringLiteral("Se están restaurando elementos. Espere a que termine.")
                : QStringLiteral("Se están eliminando elementos. Espere a que termine."),
      [restoring, items = std::move(items)](platform::RecycleBin& b) {
        return restoring ? b.restore(items) : b.erase(items);
      },
      context, std::move(done));
}

bool BinController::UndoLastDrop(QObject* context,
                                 std::function<void(const platform::ItemsResult&)> done) {
  if (lastDrop_.empty() || !BusyReason().isEmpty()) return false;
  std::vector<platform::TrashedItem> items = lastDrop_;
  if (!Run(
          QStringLiteral("Se está deshaciendo el último borrado. Espere a que termine."),
          [items](platform::RecycleBin& b) { return b.restore(items); }, context, std::move(done)))
    return false;
  // Forgotten at once: a second Alt+Z finds nothing.
  lastDrop_.clear();
  return true;
}

void BinController::StopChange() {
  if (work_) work_->Stop();
}

// ---------------------------------------------------------------- commands

bool BinController::Option(Key key) const {
  const auto it = options_.find(key);
  return it != options_.end() && it->second;
}

bool BinController::ToggleOption(Key key) {
  const bool on = !Option(key);
  options_[key] = on;
  // A file that cannot be written loses the choice at the next start only.
  settings::Options().SetOn(key, on);
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
