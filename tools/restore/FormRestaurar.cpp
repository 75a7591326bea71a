#include "tools/restore/FormRestaurar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVBoxLayout>

#include "platform/MessageBox.h"
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

void FormRestaurar::OnChanged(const ListBatch& batch) {
  model_->Apply(batch);
  listed_ = true;
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
