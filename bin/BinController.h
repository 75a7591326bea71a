#pragma once
// The bin apart from its window: its state, and the decisions of the poll,
// the drop, the emptying and the menu's commands. The window draws what this
// decides, asks what this asks (BinView) and forwards the answers and the
// user's input here.
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bin/AutoPurge.h"
#include "bin/BinMonitor.h"
#include "bin/Emptying.h"
#include "platform/DesktopSession.h"
#include "platform/KeyState.h"
#include "platform/RecycleBin.h"
#include "settings/Options.h"
#include "shape/SkinCatalog.h"

class QWidget;

namespace bin {

// What the bin needs from the system; the start-up layer puts the system's
// own in, tests theirs.
struct BinServices {
  std::unique_ptr<platform::RecycleBin> recycleBin;
  // A trash adapter of its own for each emptying's worker thread; without
  // it, nothing is emptied.
  std::function<std::unique_ptr<platform::RecycleBin>()> makeRecycleBin;
  std::unique_ptr<platform::DesktopSession> session;
  std::function<std::unique_ptr<platform::KeyState>()> makeKeyState;
  std::function<void(const std::filesystem::path&)> playWave;
  std::function<bool()> isOnlyInstance;
  std::function<std::string()> osVersionText;
  std::function<void(QWidget*)> attachToDesktop;
  std::function<void()> openTrashFolder;  // "Abrir Papelera", Alt+A
  // A skin picture by its holder name; shape::SkinPicture when unset.
  std::function<QImage(const QString&)> decodePicture;
  // A desktop notification (the automatic purge's report); none when unset.
  std::function<void(const std::string&)> notify;
  // The automatic purge's first pass, then one an hour.
  int firstPurgeMs = 20 * 1000;
};

class BinController : public QObject {
  Q_OBJECT
 public:
  explicit BinController(BinServices services, QObject* parent = nullptr);
  ~BinController() override;
  BinController(const BinController&) = delete;
  BinController& operator=(const BinController&) = delete;

  // The load step: false when another copy runs and this one must end before
  // it changes anything. Shows the stored picture until the first poll.
  bool Start();
  // The unload step: lets an emptying of ours run to its end, empties when
  // asked to, then stores the skin, what the last poll saw and the window's
  // place and size (`window`, pixels).
  void Unload(const QRect& window);
  // "Vaciar al salir" before the unload: empties without the question but
  // with its progress window, then `then` runs (after an emptying already
  // under way, too). False when the unload may go on at once.
  bool EmptyBeforeExit(std::function<void()> then);
  // The poll runs every second from creation.
  void SetPolling(bool on);

  // One tick of the poll: looks at the trash and shows what changed.
  void Poll();
  // Moves the dropped items to the trash and shows the trash at once; during
  // an emptying, once it has ended.
  void Drop(const std::vector<std::filesystem::path>& items);
  // Double click, "Vaciar Papelera", Alt+V: false, and nothing done, when the
  // trash is empty. The emptying runs on after this returns.
  bool EmptyByUser();
  // The answer to EmptyQuestion.
  void AnswerEmpty(bool yes);
  // "Cancelar": the emptying under way stops at its next step.
  void StopEmptying();
  bool Emptying() const { return emptying_ != nullptr; }
  // The answer yes to DropQuestion: the items go after all.
  void MoveAfterAll(const std::vector<std::filesystem::path>& items);
  // One pass of the automatic purge with the stored rules, unless the trash
  // is busy; false when none started.
  bool PurgePass();
  bool Purging() const { return purge_ && purge_->Running(); }
  // Why the trash cannot be changed now (Spanish); empty when it can. Every
  // change of the trash goes through this controller, one at a time.
  QString BusyReason() const;
  // Puts items back, or deletes them for good, off the interface thread;
  // `done` runs on the interface thread once the trash is shown again, and
  // not once `context` has gone. False, with nothing done, while the trash is
  // busy (BusyReason() says why).
  bool ChangeItems(bool restoring, std::vector<platform::TrashedItem> items, QObject* context,
                   std::function<void(const platform::ItemsResult&)> done);
  // The undo of the last drop, as ChangeItems; there is nothing more to undo after it.
  bool UndoLastDrop(QObject* context, std::function<void(const platform::ItemsResult&)> done);
  // A change under way stops at its next step (a copy to another volume
  // leaves nothing behind; its item stays in the trash).
  void StopChange();
  bool Changing() const { return work_ != nullptr; }

  // The menu's commands. ToggleOption returns the option's new value.
  bool ToggleOption(settings::Key key);
  // The live state of a menu option: read from the file at the load, then
  // changed only by its toggle, so a file that cannot be written never
  // leaves the menu and the program disagreeing.
  bool Option(settings::Key key) const;
  void SwitchSkin(shape::Skin skin);
  void OpenTrash();
  void OpenWeb();
  void OpenReadme();
  // "Salir": the desktop's own trash icon comes back, then the program ends.
  void Exit();

  const BinState& State() const { return state_; }
  shape::Skin Skin() const { return skin_; }
  const QImage& Picture() const { return picture_; }
  platform::RecycleBin* Bin() const { return services_.recycleBin.get(); }
  const BinServices& Services() const { return services_; }
  std::vector<platform::TrashedItem> LastDrop() const { return lastDrop_; }
  void ForgetLastDrop() { lastDrop_.clear(); }

 signals:
  void PictureChanged();                  // repaint and reshape
  void DropLeft(const QString& message);  // some dropped items stayed where they were
  void EndRequested();                    // the program ends
  void EmptyingOver();  // the emptying ended and was shown, or the user declined it
  void BusyChanged();   // an emptying or a change of items began or ended
  void TrashChanged();  // a change of items ended and the trash was looked at again
  // For the view; each question is answered by a call.
  void EmptyQuestion(std::int64_t count);  // answered by AnswerEmpty
  void EmptyingStarted(bool showProgress);
  void EmptyingProgress(std::int64_t done, std::int64_t total);
  void EmptyingStopped();                           // its progress window goes
  void EmptyingLeft(const platform::EmptyResult&);  // entries that stayed
  void Refused(const QString& why);                 // the trash is busy
  // A drop would take the trash past `percent` of its disk; a yes goes to MoveAfterAll.
  void DropQuestion(int percent, const std::vector<std::filesystem::path>& items);

 private:
  int EmptyFlags() const;
  void Empty(int flags);
  void EmptyingDone(const EmptyOutcome& o);
  const QImage& PictureOf(const char* holderName);
  void Move(const std::vector<std::filesystem::path>& items);
  bool AskBeforeDrop(const std::vector<std::filesystem::path>& items);
  void PurgeDone(const PurgeOutcome& o);
  bool Run(QString reason, TrashWork::Work work, QObject* context,
           std::function<void(const platform::ItemsResult&)> done);

  BinServices services_;
  QTimer* poll_ = nullptr;  // Timer1
  BinState state_;
  shape::Skin skin_ = shape::Skin::Default;
  QImage picture_;
  std::map<std::string, QImage> decoded_;           // by holder name: each picture once
  std::map<settings::Key, bool> options_;           // the menu's options, as checked
  bool asking_ = false;                             // the emptying's question is open
  int askedFlags_ = 0;                              // the flags it was asked with
  bool exitEmptied_ = false;                        // the exit's emptying has run
  std::function<void()> afterEmptying_;             // the end, waiting for an emptying
  EmptyingRun* emptying_ = nullptr;                 // the emptying under way
  TrashWork* work_ = nullptr;                       // the change of items under way
  TrashWork* cleanup_ = nullptr;                    // what a crashed run left, at start
  QString workReason_;                              // what it is doing, for BusyReason()
  std::vector<std::filesystem::path> waitingDrop_;  // dropped during it
  std::vector<platform::TrashedItem> lastDrop_;     // what the last drop moved, for its undo
  AutoPurge* purge_ = nullptr;                      // the automatic purge's passes
  QTimer* purgeTimer_ = nullptr;
  bool emptyAfterPurge_ = false;  // asked while a pass ran: empties after it
};

}  // namespace bin
