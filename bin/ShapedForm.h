#pragma once
// The bin window: the shaped picture of a waste bin on the desktop.
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bin/BinMenu.h"
#include "bin/BinMonitor.h"
#include "bin/FrmMask.h"
#include "bin/Twips.h"
#include "platform/DesktopSession.h"
#include "platform/KeyState.h"
#include "platform/RecycleBin.h"
#include "settings/Options.h"
#include "shape/SkinCatalog.h"
#include "tools/Tool.h"

namespace shape {
class clsTransForm;
class PictureBox;
}  // namespace shape

namespace bin {

// What the bin window needs from the system; tests put their own in.
struct BinServices {
  std::unique_ptr<platform::RecycleBin> recycleBin;
  std::unique_ptr<platform::DesktopSession> session;
  std::function<std::unique_ptr<platform::KeyState>()> makeKeyState;
  std::function<void(const std::filesystem::path&)> playWave;
  std::function<bool()> isOnlyInstance;
  std::function<std::string()> osVersionText;
  std::function<void(QWidget*)> attachToDesktop;
  std::function<void()> openTrashFolder;

  static BinServices System(const std::filesystem::path& executable);
};

// Key colour: every pixel of exactly this colour is cut out of the window.
constexpr QRgb kKeyColour = 0xFF808080;
// Built-in place and size, twips.
constexpr int kBuiltInLeft = 4830, kBuiltInTop = 2055, kBuiltInWidth = 5580, kBuiltInHeight = 5085;

class ShapedForm : public QWidget, public tools::ToolHost {
  Q_OBJECT
 public:
  ShapedForm(BinServices services, tools::ToolList tools);
  ~ShapedForm() override;

  // Runs the load handler; false when another copy runs and this one must end.
  bool Form_Load();
  // The unload handler; runs once.
  void Form_Unload();
  void HideDesktopTrashIcon();

  // Operations other windows call.
  bool MoveToRecycleBin(const std::string& fileSpec, bool noConfirm = false);
  void UnloadAllForms() override;
  QWidget* HostWindow() override { return this; }
  std::vector<platform::TrashedItem> LastDrop() const override { return lastDrop_; }
  void ForgetLastDrop() override { lastDrop_.clear(); }
  platform::RecycleBin* HostBin() override { return services_.recycleBin.get(); }
  void BinChanged() override;
  void form_DblClick();
  void Timer1_Timer();
  void QueryRecycleBin();
  void EmptyRecycleBin(std::string& rootPath);
  int EmptyFlags() const;

  // Menu commands.
  void MnuOpen_Click();
  void MnuVaciar_Click();
  void MnuAcerca_Click();
  void MnuWeb_Click();
  void MnuLeeme_Click();
  void MnuExit_Click();
  void MnuNoconfirm_Click();
  void MnuNobar_Click();
  void MnuNosound_Click();
  void MnuIniwin_Click();
  void MnuHotKeys_Click();
  void MnuNomove_Click();
  void MnuVacialsalir_Click();
  void SwitchSkin(shape::Skin skin);
  void OpenTool(tools::Tool& tool);

  // The version box's text.
  static QString AboutText();

  QAction* Item(const QString& name) const { return menu_->Item(name); }
  QMenu* Menu() const { return menu_->Menu(); }
  platform::RecycleBin& Bin() { return *services_.recycleBin; }
  FrmMask* HotKeyPoller() const { return frmMask_; }
  QTimer* Timer1 = nullptr;
  QImage CurrentPicture;
  BinState state;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyPicture(const char* holderName);
  void ReshapeAndPaint();
  bool ToggleOption(settings::Key key);
  void Empty(int flags);
  void ShowStatus();
  void RestoreGeometry();
  void LoadHotKeyPoller();
  HotKeyActions HotKeys();

  BinServices services_;
  tools::ToolList tools_;
  std::unique_ptr<BinMenu> menu_;
  shape::PictureBox* pictureMain_ = nullptr;
  std::unique_ptr<shape::clsTransForm> shaper_;
  shape::Skin skin_ = shape::Skin::Default;
  QPointer<FrmMask> frmMask_;
  bool exitRequested_ = false;
  bool unloaded_ = false;
  bool emptying_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
  QPoint pressPos_;
  bool hotKeysWarned_ = false;
  std::vector<platform::TrashedItem> lastDrop_;  // what the last drop moved, for its undo
};

}  // namespace bin
