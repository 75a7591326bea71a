#pragma once
// The bin window: the shaped picture of a waste bin on the desktop. It draws
// what its controller decides and forwards the user's input to it.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "bin/BinController.h"
#include "bin/BinMenu.h"
#include "bin/BinPlace.h"
#include "bin/BinView.h"
#include "bin/FrmMask.h"
#include "bin/Twips.h"
#include "shape/SkinCatalog.h"
#include "tools/Tool.h"

namespace shape {
class clsTransForm;
class PictureBox;
}  // namespace shape

namespace bin {

// Key colour: every pixel of exactly this colour is cut out of the window.
constexpr QRgb kKeyColour = 0xFF808080;

class ShapedForm : public QWidget, private tools::ToolHost {
  Q_OBJECT
 public:
  ShapedForm(BinServices services, tools::ToolList tools);
  ~ShapedForm() override;

  // Runs the load handler; false when another copy runs and this one must end.
  bool Form_Load();
  // The unload handler; runs once.
  void Form_Unload();
  void HideDesktopTrashIcon();

  BinController& Controller() { return controller_; }
  // What the bin shows and asks over this window.
  BinView& View() { return *view_; }
  // What the tools' windows ask of the bin.
  tools::ToolHost& Host() { return *this; }
  QAction* Item(const QString& name) const { return menu_->Item(name); }
  QMenu* Menu() const { return menu_->Menu(); }

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
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What the tools ask of the window that hosts them.
  void UnloadAllForms() override;
  QWidget* HostWindow() override { return this; }
  bool CanUndo() const override { return !controller_.LastDrop().empty(); }
  QString TrashBusy() const override { return controller_.BusyReason(); }
  void WatchTrashBusy(QObject* context, std::function<void()> changed) override;
  bool ChangeTrash(bool restoring, bool undo, std::vector<platform::TrashedItem> items,
                   QObject* context,
                   std::function<void(const platform::ItemsResult&)> done) override;
  void StopTrashChange() override { controller_.StopChange(); }

  // Menu commands.
  void form_DblClick();
  void MnuOpen_Click();
  void MnuVaciar_Click();
  void MnuAcerca_Click();
  void MnuWeb_Click();
  void MnuLeeme_Click();
  void MnuExit_Click();
  void MnuOption_Click(settings::Key key);
  void MnuHotKeys_Click();
  void SwitchSkin(shape::Skin skin);
  void OpenTool(tools::Tool& tool);

  void ReshapeAndPaint();
  void ShowStatus();
  // The trash's state as a screen reader tells it.
  void TellState();
  void LoadHotKeyPoller();
  BinCommands Commands();

  BinController controller_;
  std::unique_ptr<BinView> view_;  // goes before the controller
  tools::ToolList tools_;
  std::unique_ptr<BinMenu> menu_;
  shape::PictureBox* pictureMain_ = nullptr;
  std::unique_ptr<shape::clsTransForm> shaper_;
  QPointer<FrmMask> frmMask_;
  QPointer<QObject> keyEater_;  // on the application while the hot keys are
  bool exitRequested_ = false;
  bool unloaded_ = false;
  bool dragging_ = false;
  bool dragged_ = false;  // this press moved the window
  QPoint dragOffset_;
  QPoint pressPos_;
  bool hotKeysWarned_ = false;
};

}  // namespace bin
