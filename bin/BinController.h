#pragma once
// The bin apart from its window: its state, and the decisions of the poll,
// the drop, the emptying and the menu's commands. The window draws what this
// decides and forwards the user's input here.
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bin/BinMonitor.h"
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
  std::unique_ptr<platform::DesktopSession> session;
  std::function<std::unique_ptr<platform::KeyState>()> makeKeyState;
  std::function<void(const std::filesystem::path&)> playWave;
  std::function<bool()> isOnlyInstance;
  std::function<std::string()> osVersionText;
  std::function<void(QWidget*)> attachToDesktop;
  std::function<void()> openTrashFolder;  // "Abrir Papelera", Alt+A
  // A skin picture by its holder name; shape::SkinPicture when unset.
  std::function<QImage(const QString&)> decodePicture;
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
  // The unload step: empties when asked to (unless an emptying of ours is
  // under way), then stores the skin, what the last poll saw and the window's
  // place and size (twips).
  void Unload(const QRect& windowTwips, QWidget* dialogParent);
  // The poll runs every second from creation.
  void SetPolling(bool on);

  // One tick of the poll: looks at the trash and shows what changed.
  void Poll();
  // Moves the dropped items to the trash and shows the trash at once.
  void Drop(const std::vector<std::filesystem::path>& items);
  // Double click, "Vaciar Papelera", Alt+V: false, and nothing done, when the
  // trash is empty.
  bool EmptyByUser(QWidget* dialogParent);

  // The menu's commands. ToggleOption returns the option's new value.
  bool ToggleOption(settings::Key key);
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

 private:
  int EmptyFlags() const;
  void Empty(int flags, QWidget* dialogParent);
  const QImage& PictureOf(const char* holderName);

  BinServices services_;
  QTimer* poll_ = nullptr;  // Timer1
  BinState state_;
  shape::Skin skin_ = shape::Skin::Default;
  QImage picture_;
  std::map<std::string, QImage> decoded_;  // by holder name: each picture once
  bool asking_ = false;                    // the emptying's question is open
  bool emptying_ = false;
  std::vector<platform::TrashedItem> lastDrop_;  // what the last drop moved, for its undo
};

}  // namespace bin
