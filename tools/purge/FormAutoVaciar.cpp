#include "tools/purge/FormAutoVaciar.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include "settings/PurgeOptions.h"
#include "tools/Access.h"
#include "tools/restore/FormRestaurar.h"

namespace tools {

// Owns the window's adapter on the preview thread.
class PurgePreviewer : public QObject {
  Q_OBJECT
 public:
  explicit PurgePreviewer(std::unique_ptr<platform::RecycleBin> bin)
      : bin_(std::move(bin)), purger_(bin_ ? platform::MakeTrashPurger(*bin_) : nullptr) {}
  void Preview(const platform::PurgeSettings& s, quint64 serial) {
    auto plan = std::make_shared<platform::PurgePlan>();
    if (purger_) *plan = purger_->Plan(s, QDateTime::currentSecsSinceEpoch());
    emit Planned(plan, serial);
  }
 signals:
  void Planned(std::shared_ptr<const platform::PurgePlan> plan, quint64 serial);

 private:
  std::unique_ptr<platform::RecycleBin> bin_;
  std::unique_ptr<platform::TrashPurger> purger_;
};

QString PreviewText(std::size_t count, std::int64_t size) {
  if (count == 0) return QStringLiteral("Ahora no se eliminaría nada");
  const QString items =
      count == 1 ? QStringLiteral("1 elemento") : QStringLiteral("%1 elementos").arg(count);
  return QStringLiteral("Ahora se eliminarían %1 (%2)")
      .arg(items, QLocale().formattedDataSize(size));
}

FormAutoVaciar::FormAutoVaciar() : FormAutoVaciar(platform::MakeRecycleBin()) {}

FormAutoVaciar::FormAutoVaciar(std::unique_ptr<platform::RecycleBin> bin) : QWidget(nullptr) {
  qRegisterMetaType<std::shared_ptr<const platform::PurgePlan>>();
  setObjectName("FormAutoVaciar");
  setWindowTitle(QStringLiteral("Vaciado automático"));
  setAttribute(Qt::WA_DeleteOnClose);

  CheckDias = new QCheckBox(QStringLiteral("Eliminar lo que lleve en la papelera más de"), this);
  CheckDias->setObjectName("CheckDias");
  TextDias = new QSpinBox(this);
  TextDias->setObjectName("TextDias");
  TextDias->setRange(1, settings::kPurgeDaysMax);
  CheckPorcentaje = new QCheckBox(QStringLiteral("Mantener cada papelera por debajo del"), this);
  CheckPorcentaje->setObjectName("CheckPorcentaje");
  TextPorcentaje = new QSpinBox(this);
  TextPorcentaje->setObjectName("TextPorcentaje");
  TextPorcentaje->setRange(1, settings::kPurgePercentMax);
  OptionAvisar = new QRadioButton(QStringLiteral("Avisar antes de mover"), this);
  OptionAvisar->setObjectName("OptionAvisar");
  OptionAntiguos = new QRadioButton(QStringLiteral("Eliminar lo más antiguo"), this);
  OptionAntiguos->setObjectName("OptionAntiguos");
  LabelVista = new QLabel(this);
  LabelVista->setObjectName("LabelVista");
  CommandVer = new QPushButton(QStringLiteral("Ver"), this);
  CommandVer->setObjectName("CommandVer");
  CommandAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
  CommandAceptar->setObjectName("CommandAceptar");
  CommandAceptar->setDefault(true);
  CommandCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  CommandCancelar->setObjectName("CommandCancelar");

  // A rule off shows the value it will start with when ticked.
  const platform::PurgeSettings stored = settings::ReadPurgeSettings();
  CheckDias->setChecked(stored.days > 0);
  TextDias->setValue(stored.days > 0 ? stored.days : 30);
  CheckPorcentaje->setChecked(stored.percent > 0);
  TextPorcentaje->setValue(stored.percent > 0 ? stored.percent : 10);
  (stored.oldestGo ? OptionAntiguos : OptionAvisar)->setChecked(true);

  auto* grid = new QGridLayout;
  grid->addWidget(CheckDias, 0, 0);
  grid->addWidget(TextDias, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("días"), this), 0, 2);
  grid->addWidget(CheckPorcentaje, 1, 0);
  grid->addWidget(TextPorcentaje, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("% de su disco"), this), 1, 2);
  auto* choice = new QVBoxLayout;
  choice->setContentsMargins(24, 0, 0, 0);
  choice->addWidget(OptionAvisar);
  choice->addWidget(OptionAntiguos);
  auto* preview = new QHBoxLayout;
  preview->addWidget(LabelVista, 1);
  preview->addWidget(CommandVer);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(CommandAceptar);
  buttons->addWidget(CommandCancelar);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(choice);
  layout->addLayout(preview);
  layout->addLayout(buttons);

  previewer_ = new PurgePreviewer(std::move(bin));
  previewer_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, previewer_, &QObject::deleteLater);
  connect(previewer_, &PurgePreviewer::Planned, this, &FormAutoVaciar::OnPlan);
  thread_.start();

  for (QCheckBox* box : {CheckDias, CheckPorcentaje})
    connect(box, &QCheckBox::toggled, this, &FormAutoVaciar::Changed);
  for (QSpinBox* box : {TextDias, TextPorcentaje})
    connect(box, &QSpinBox::valueChanged, this, &FormAutoVaciar::Changed);
  connect(OptionAntiguos, &QRadioButton::toggled, this, &FormAutoVaciar::Changed);
  connect(CommandVer, &QPushButton::clicked, this, &FormAutoVaciar::Ver);
  connect(CommandAceptar, &QPushButton::clicked, this, &FormAutoVaciar::Aceptar);
  connect(CommandCancelar, &QPushButton::clicked, this, &QWidget::close);
  Name(TextDias, QStringLiteral("Días"));
  Name(TextPorcentaje, QStringLiteral("Porcentaje del disco"));
  WindowKeys(
      this, [this] { CommandCancelar->click(); }, CommandAceptar);
  Changed();
}

FormAutoVaciar::~FormAutoVaciar() {
  thread_.quit();
  thread_.wait();
}

platform::PurgeSettings FormAutoVaciar::Shown() const {
  platform::PurgeSettings s;
  s.days = CheckDias->isChecked() ? TextDias->value() : 0;
  s.percent = CheckPorcentaje->isChecked() ? TextPorcentaje->value() : 0;
  s.oldestGo = OptionAntiguos->isChecked();
  return s;
}

void FormAutoVaciar::Changed() {
  TextDias->setEnabled(CheckDias->isChecked());
  TextPorcentaje->setEnabled(CheckPorcentaje->isChecked());
  OptionAvisar->setEnabled(CheckPorcentaje->isChecked());
  OptionAntiguos->setEnabled(CheckPorcentaje->isChecked());
  CommandVer->setEnabled(false);
  LabelVista->setText(QStringLiteral("Calculando..."));
  const platform::PurgeSettings s = Shown();
  const quint64 serial = ++serial_;
  PurgePreviewer* previewer = previewer_;
  QMetaObject::invokeMethod(
      previewer_, [previewer, s, serial] { previewer->Preview(s, serial); }, Qt::QueuedConnection);
}

void FormAutoVaciar::OnPlan(std::shared_ptr<const platform::PurgePlan> plan, quint64 serial) {
  if (serial != serial_) return;  // the rules changed since it was asked
  plan_ = *plan;
  LabelVista->setText(PreviewText(plan_.items.size(), plan_.size));
  CommandVer->setEnabled(!plan_.items.empty());
  emit Previewed();
}

void FormAutoVaciar::Ver() {
  FormRestaurar* window = OneWindow<FormRestaurar>::Get([] { return new FormRestaurar; });
  window->Choose(plan_.items);
  OneWindow<FormRestaurar>::BringForward();
}

void FormAutoVaciar::Aceptar() {
  settings::StorePurgeSettings(Shown());
  close();
}

void FormAutoVaciar::closeEvent(QCloseEvent* event) {
  OneWindow<FormAutoVaciar>::Closed(this);
  QWidget::closeEvent(event);
}

PurgeTool::PurgeTool()
    : WindowTool(
          {MenuPlace::Settings, "MnuAutoVaciar", QStringLiteral("Vaciado automático..."), 0}) {}

bool PurgeTool::Available() const { return platform::CanPurge(); }

}  // namespace tools

#include "FormAutoVaciar.moc"
