#pragma once
// The bin window: the shaped picture of a waste bin on the desktop.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "bin/BinMonitor.h"
#include "bin/FrmMask.h"
#include "platform/KeyState.h"
#include "platform/RecycleBin.h"
#include "platform/Registry.h"
#include "shape/SkinCatalog.h"

namespace shape {
class clsTransForm;
class PictureBox;
}  // namespace shape

namespace bin {

// What the bin window needs from the system; tests put their own in.
struct BinServices {
  std::unique_ptr<platform::RecycleBin> recycleBin;
  std::unique_ptr<platform::RegistryComponent> registry;
  std::function<std::unique_ptr<platform::KeyState>()> makeKeyState;
  std::function<void(const std::filesystem::path&)> playWave;
  std::function<bool()> isOnlyInstance;
  std::function<std::string()> osVersionText;
  std::function<void(QWidget*)> attachToDesktop;
  std::function<void()> openTrashFolder;  // empty: the desktop's file manager

  static BinServices System(const std::filesystem::path& executable);
};

// Key colour: every pixel of exactly this colour is cut out of the window.
constexpr QRgb kKeyColour = 0xFF808080;
// Built-in place and size, twips.
constexpr int kBuiltInLeft = 4830, kBuiltInTop = 2055, kBuiltInWidth = 5580, kBuiltInHeight = 5085;
constexpr int kTwipsPerPixel = 15;

class ShapedForm : public QWidget {
  Q_OBJECT
 public:
  explicit ShapedForm(BinServices services);
  ~ShapedForm() override;

  // Runs the load handler; false when another copy runs and this one must end.
  bool Form_Load();
  // The unload handler; runs once.
  void Form_Unload();

  // Operations other windows call.
  bool MoveToRecycleBin(const std::string& fileSpec, bool noConfirm = false);
  void UnloadAllForms();
  void form_DblClick();
  void Timer1_Timer();
  void QueryRecycleBin();
  void EmptyRecycleBin(std::string& rootPath);
  int EmptyFlags() const;

  // Menu commands.
  void MnuOpen_Click();
  void MnuVaciar_Click();
  void MnuBusca_Click();
  void MnuSnap_Click();
  void MnuMaps_Click();
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
  void AddRunEntry();
  void RemoveRunEntry();

  // The version box's text.
  static QString AboutText();

  QAction* Item(const QString& name) const;
  QMenu* MnuBin = nullptr;
  shape::PictureBox* PictureMain = nullptr;
  QTimer* Timer1 = nullptr;
  QImage CurrentPicture;
  BinState state;
  bool MoveAllowed = false;
  platform::RegistryComponent& Reg1() { return *services_.registry; }
  platform::RecycleBin& Bin() { return *services_.recycleBin; }
  FrmMask* HotKeyPoller() const { return frmMask_; }

  // The skin item checked first in the poll's order.
  std::optional<shape::Skin> CheckedSkin(const std::array<shape::Skin, 5>& order) const;

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
  void BuildMenu();
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                   void (ShapedForm::*handler)(), bool checkable = false);
  void ApplyPicture(const char* holderName);
  void ReshapeAndPaint();
  void ToggleOption(QAction* item, const char* key);
  void EmptyWithFlags(int flags);
  void ShowStatus();
  void RestoreGeometry();
  void LoadHotKeyPoller();
  void SelectRunValue();

  BinServices services_;
  std::unique_ptr<shape::clsTransForm> Shaper;
  std::map<QString, QAction*> items_;
  QPointer<FrmMask> frmMask_;
  bool unloaded_ = false;
  bool emptying_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
  QPoint pressPos_;
  bool hotKeysWarned_ = false;
};

}  // namespace bin
