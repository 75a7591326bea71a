#include "tools/restore/FormRestaurar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/MessageBox.h"
#include "settings/PurgeOptions.h"
#include "tools/Access.h"
#include "tools/restore/StayedText.h"

namespace tools {

namespace {
const char* const kCaption = "Restaurar de la Papelera";
}

FormRestaurar::FormRestaurar() : FormRestaurar(platform::MakeRecycleBin()) {}

FormRestaurar::FormRestaurar(std::unique_ptr<platform::RecycleBin> bin, int pollMs)
    : QWidget(nullptr), asking_(new QObject(this)) {
  qRegisterMetaType<std::shared_ptr<const ListBatch>>();
  setObjectName("FormRestaurar");
  setWindowTitle(QString::fromUtf8(kCaption));
  setAttribute(Qt::WA_DeleteOnClose);

  model_ = new TrashModel(this);
  filter_ = new TrashFilter(this);
  filter_->setSourceModel(model_);
  filter_->setSortRole(TrashModel::kSortRole);
  filter_->setSortCaseSensitivity(Qt::CaseInsensitive);

  TextBuscar = new QLineEdit(this);
  TextBuscar->setObjectName("TextBuscar");
  TextBuscar->setPlaceholderText(QStringLiteral("Buscar por nombre o ubicación"));
  TextBuscar->setClearButtonEnabled(true);
  TableItems = new QTableView(this);
  TableItems->setObjectName("TableItems");
  TableItems->setModel(filter_);
  TableItems->setSelectionBehavior(QAbstractItemView::SelectRows);
  TableItems->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TableItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TableItems->setSortingEnabled(true);
  TableItems->sortByColumn(TrashModel::kDate, Qt::DescendingOrder);
  TableItems->verticalHeader()->hide();
  // Uniform rows: the view never measures 20,000 of them.
  TableItems->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  TableItems->horizontalHeader()->setStretchLastSection(false);
  TableItems->horizontalHeader()->setSectionResizeMode(TrashModel::kPlace, QHeaderView::Stretch);
  TableItems->setWordWrap(false);
  LabelEstado = new QLabel(QStringLiteral("Buscando en la papelera..."), this);
  LabelEstado->setObjectName("LabelEstado");
  CommandRestaurar = new QPushButton(QStringLiteral("Restaurar"), this);
  CommandRestaurar->setObjectName("CommandRestaurar");
  CommandEliminar = new QPushButton(QStringLiteral("Eliminar"), this);
  CommandEliminar->setObjectName("CommandEliminar");
  CommandSalir = new QPushButton(QStringLiteral("Salir"), this);
  CommandSalir->setObjectName("CommandSalir");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(LabelEstado, 1);
  buttons->addWidget(CommandRestaurar);
  buttons->addWidget(CommandEliminar);
  buttons->addWidget(CommandSalir);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TextBuscar);
  layout->addWidget(TableItems, 1);
  layout->addLayout(buttons);
  resize(760, 420);
  TableItems->setColumnWidth(TrashModel::kName, 200);
  TableItems->setColumnWidth(TrashModel::kDate, 150);
  TableItems->setColumnWidth(TrashModel::kSize, 90);
  const platform::PurgeSettings purge = settings::ReadPurgeSettings();
  model_->SetPurge(purge);
  TableItems->setColumnHidden(TrashModel::kGoes, !purge.On());

  connect(TextBuscar, &QLineEdit::textChanged, this, [this](const QString& text) {
    filter_->SetText(text);
    ShowState();
  });
  connect(TableItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FormRestaurar::ShowState);
  connect(CommandRestaurar, &QPushButton::clicked, this, &FormRestaurar::CommandRestaurar_Click);
  connect(CommandEliminar, &QPushButton::clicked, this, &FormRestaurar::CommandEliminar_Click);
  connect(CommandSalir, &QPushButton::clicked, this, &FormRestaurar::CommandSalir_Click);

  lister_ = new TrashLister(std::move(bin), pollMs);
  lister_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, lister_, &QObject::deleteLater);
  connect(lister_, &TrashLister::Changed, this,
          [this](std::shared_ptr<const ListBatch> batch) { OnChanged(*batch); });
  connect(&thread_, &QThread::started, lister_, &TrashLister::Start);
  thread_.start();
  ShowState();
  KeyboardAccess();
}

// The list answers the keys and the context menu the buttons stand for.
void FormRestaurar::KeyboardAccess() {
  Name(TextBuscar, QStringLiteral("Buscar"), TextBuscar->placeholderText());
  for (QToolButton* clear : TextBuscar->findChildren<QToolButton*>())
    Name(clear, QStringLiteral("Borrar la búsqueda"));
  Name(TableItems, QStringLiteral("Lista de elementos de la papelera"));
  setTabOrder(TextBuscar, TableItems);
  setTabOrder(TableItems, CommandRestaurar);
  setTabOrder(CommandRestaurar, CommandEliminar);
  setTabOrder(CommandEliminar, CommandSalir);
  WindowKeys(this, [this] { CommandSalir_Click(); });
  // Through the buttons, so that whatever disables a button disables its keys too.
  const auto press = [](QPushButton* button) {
    return [button] {
      if (button->isEnabled()) button->click();
    };
  };
  OnKeys(TableItems, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
         press(CommandRestaurar));
  OnKeys(TableItems, {QKeySequence(Qt::Key_Delete)}, press(CommandEliminar));
  connect(TableItems, &QAbstractItemView::doubleClicked, this, press(CommandRestaurar));
  auto* find = new QAction(this);
  find->setShortcut(QKeySequence::Find);
  find->setShortcutContext(Qt::WindowShortcut);
  connect(find, &QAction::triggered, this, [this] {
    TextBuscar->setFocus(Qt::ShortcutFocusReason);
    TextBuscar->selectAll();
  });
  addAction(find);
  // Down from the search goes on to the list.
  OnKeys(TextBuscar, {QKeySequence(Qt::Key_Down)}, [this] {
    TableItems->setFocus(Qt::TabFocusReason);
    if (!TableItems->selectionModel()->hasSelection() && filter_->rowCount() > 0)
      TableItems->selectRow(0);
  });

  auto* menu = new QMenu(TableItems);
  menu->setObjectName("MenuItems");
  QAction* restore = menu->addAction(QStringLiteral("Restaurar"));
  QAction* erase = menu->addAction(QStringLiteral("Eliminar"));
  connect(restore, &QAction::triggered, this, press(CommandRestaurar));
  connect(erase, &QAction::triggered, this, press(CommandEliminar));
  TableItems->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(TableItems, &QWidget::customContextMenuRequested, this,
          [this, menu, restore, erase](const QPoint& at) {
            restore->setEnabled(CommandRestaurar->isEnabled());
            erase->setEnabled(CommandEliminar->isEnabled());
            menu->popup(TableItems->viewport()->mapToGlobal(at));
          });
}

FormRestaurar::~FormRestaurar() {
  thread_.quit();
  thread_.wait();
}

const platform::TrashedItem& FormRestaurar::ShownItem(int row) const {
  return model_->Item(filter_->mapToSource(filter_->index(row, 0)).row());
}

std::vector<platform::TrashedItem> FormRestaurar::Chosen() const {
  std::vector<platform::TrashedItem> items;
  for (const QModelIndex& index : TableItems->selectionModel()->selectedRows())
    items.push_back(model_->Item(filter_->mapToSource(index).row()));
  return items;
}

void FormRestaurar::SetHost(ToolHost* host) {
  host_ = host;
  hostWindow_ = host ? host->HostWindow() : nullptr;
  if (host) host->WatchTrashBusy(this, [this] { ShowState(); });
  ShowState();
}

void FormRestaurar::ShowState() {
  const bool chosen = TableItems->selectionModel()->hasSelection();
  ToolHost* host = Host();
  // During an emptying, or a change made elsewhere, nothing is changed here.
  const QString hostBusy = host && !busy_ ? host->TrashBusy() : QString();
  const bool can = listed_ && !busy_ && host && hostBusy.isEmpty() && chosen;
  CommandRestaurar->setEnabled(can);
  CommandEliminar->setEnabled(can);
  if (!hostBusy.isEmpty()) {
    LabelEstado->setText(hostBusy);
    return;
  }
  if (!listed_) return;
  if (busy_) {
    LabelEstado->setText(QStringLiteral("Trabajando..."));
    return;
  }
  const int all = model_->rowCount();
  const int shown = filter_->rowCount();
  QString text = all == 1 ? QStringLiteral("1 elemento") : QStringLiteral("%1 elementos").arg(all);
  if (shown != all) text += QStringLiteral(" (%1 mostrados)").arg(shown);
  LabelEstado->setText(text);
}

void FormRestaurar::Choose(const std::vector<platform::TrashedItem>& items) {
  toChoose_.clear();
  for (const platform::TrashedItem& item : items) toChoose_.insert(ItemId(item));
  TextBuscar->clear();
  if (listed_) ChooseWaiting();
}

void FormRestaurar::ChooseWaiting() {
  if (toChoose_.empty()) return;
  QItemSelection chosen;
  for (int row = 0; row < filter_->rowCount(); ++row)
    if (toChoose_.count(ItemId(ShownItem(row))))
      chosen.select(filter_->index(row, 0), filter_->index(row, TrashModel::kColumns - 1));
  toChoose_.clear();
  TableItems->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
}

void FormRestaurar::OnChanged(const ListBatch& batch) {
  model_->Apply(batch);
  listed_ = true;
  ChooseWaiting();
  ShowState();
  emit Updated();
}

void FormRestaurar::OnDone(bool restoring, const platform::ItemsResult& result) {
  busy_ = false;
  // The listing follows at once, not at its next tick.
  TrashLister* lister = lister_;
  QMetaObject::invokeMethod(
      lister_, [lister] { lister->Poll(); }, Qt::QueuedConnection);
  ShowState();
  emit Updated();
  const QString text =
      StayedText(result, restoring ? QStringLiteral("restaurar") : QStringLiteral("eliminar"));
  if (!text.isEmpty())
    platform::MsgBoxThen(text, platform::kExclamation, QString::fromUtf8(kCaption), this, asking_,
                         nullptr);
}

// Through the bin, which owns every change of the trash: its picture and
// pop-up follow, and an emptying never meets a restore halfway.
void FormRestaurar::Change(bool restoring, const std::vector<platform::TrashedItem>& items) {
  ToolHost* host = Host();
  if (busy_ || !host) return;
  if (!host->ChangeTrash(
          restoring, false, items, this,
          [this, restoring](const platform::ItemsResult& r) { OnDone(restoring, r); })) {
    const QString why = host->TrashBusy();
    if (!why.isEmpty())
      platform::MsgBoxThen(why, platform::kInformation, QString::fromUtf8(kCaption), this, asking_,
                           nullptr);
    ShowState();
    return;
  }
  busy_ = true;
  ShowState();
}

void FormRestaurar::CommandRestaurar_Click() {
  const std::vector<platform::TrashedItem> items = Chosen();
  if (items.empty() || busy_) return;
  Change(true, items);
}

void FormRestaurar::CommandEliminar_Click() {
  const std::vector<platform::TrashedItem> items = Chosen();
  if (items.empty() || busy_) return;
  const QString question =
      QStringLiteral("¿Eliminar definitivamente los %1 elementos elegidos?").arg(items.size());
  // Answered only while the window is open: closed with the question up, it
  // erases nothing. Only the very items asked about go: each is checked again
  // by its identity, never looked up by its name.
  platform::MsgBoxThen(question, platform::kYesNo | platform::kQuestion,
                       QString::fromUtf8(kCaption), this, asking_, [this, items](int answer) {
                         if (answer == platform::kAnswerYes) Change(false, items);
                       });
}

void FormRestaurar::CommandSalir_Click() { close(); }

void FormRestaurar::closeEvent(QCloseEvent* event) {
  // A restore of ours stops: a copy to another volume leaves nothing behind.
  if (busy_)
    if (ToolHost* host = Host()) host->StopTrashChange();
  delete asking_;
  asking_ = new QObject(this);
  OneWindow<FormRestaurar>::Closed(this);
  QWidget::closeEvent(event);
}

RestoreTool::RestoreTool()
    : WindowTool({MenuPlace::Utilities, "MnuRestaurar",
                  QStringLiteral("Restaurar archivos -- Alt + r"), 'R'}) {}

void RestoreTool::Open(ToolHost& host) {
  bool made = false;
  FormRestaurar* window = OneWindow<FormRestaurar>::Get(
      [] {
        auto* w = new FormRestaurar;
        w->setAttribute(Qt::WA_DeleteOnClose);
        return w;
      },
      &made);
  if (made) window->SetHost(&host);
  OneWindow<FormRestaurar>::BringForward();
}

}  // namespace tools
