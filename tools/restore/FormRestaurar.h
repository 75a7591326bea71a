#pragma once
// "Restaurar de la Papelera": every item of every trash the bin counts, to
// put back where it was or to delete for good. The listing runs on a thread
// of its own and follows the trash while the window is open.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QWidget>
#include <memory>
#include <unordered_set>

#include "tools/Tool.h"
#include "tools/restore/TrashLister.h"
#include "tools/restore/TrashModel.h"

namespace tools {

class FormRestaurar : public QWidget {
  Q_OBJECT
 public:
  // The system's trash, watched by an adapter of the window's own.
  FormRestaurar();
  explicit FormRestaurar(std::unique_ptr<platform::RecycleBin> bin, int pollMs = 500);
  ~FormRestaurar() override;
  // The bin, through which the window changes the trash; until it is given,
  // the window only lists. It must outlive the window, or be its host window.
  void SetHost(ToolHost* host);

  void CommandRestaurar_Click();
  void CommandEliminar_Click();
  void CommandSalir_Click();

  // Whether the first listing has arrived.
  bool Listed() const { return listed_; }
  // Whether a restore or a deletion is under way.
  bool Busy() const { return busy_; }
  // The rows as shown (filtered and sorted).
  int ShownRows() const { return filter_->rowCount(); }
  const platform::TrashedItem& ShownItem(int row) const;
  // Chooses these items, now or once they are listed.
  void Choose(const std::vector<platform::TrashedItem>& items);

  QTableView* TableItems;
  QLineEdit* TextBuscar;
  QPushButton* CommandRestaurar;
  QPushButton* CommandEliminar;
  QPushButton* CommandSalir;
  QLabel* LabelEstado;

 signals:
  // After each change of the listing, and after each restore or deletion
  // (the listing then follows at once).
  void Updated();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::vector<platform::TrashedItem> Chosen() const;
  void OnChanged(const ListBatch& batch);
  void ChooseWaiting();
  void KeyboardAccess();
  void Change(bool restoring, const std::vector<platform::TrashedItem>& items);
  void OnDone(bool restoring, const platform::ItemsResult& result);
  void ShowState();
  ToolHost* Host() const { return hostWindow_ ? host_ : nullptr; }

  TrashModel* model_;
  TrashFilter* filter_;
  QThread thread_;
  TrashLister* lister_;
  std::unordered_set<std::string> toChoose_;  // ItemId of items to choose once listed
  bool listed_ = false;
  bool busy_ = false;
  QObject* asking_;  // the open questions' context: deleted when the window closes
  ToolHost* host_ = nullptr;
  QPointer<QWidget> hostWindow_;  // the host lives while this does
};

class RestoreTool final : public WindowTool<FormRestaurar> {
 public:
  RestoreTool();
  void Open(ToolHost& host) override;
};

}  // namespace tools
