#pragma once
// "Vaciado automático": the purge's rules, with a live preview of what a
// pass would delete now. The preview runs on a thread of its own over an
// adapter of the window's own.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QWidget>
#include <memory>

#include "platform/TrashPurge.h"
#include "tools/Tool.h"

namespace tools {

class PurgePreviewer;

class FormAutoVaciar : public QWidget {
  Q_OBJECT
 public:
  FormAutoVaciar();
  explicit FormAutoVaciar(std::unique_ptr<platform::RecycleBin> bin);
  ~FormAutoVaciar() override;

  // The rules as the window shows them now.
  platform::PurgeSettings Shown() const;
  // What the last preview found (for the current rules once Previewed() came).
  const platform::PurgePlan& Preview() const { return plan_; }

  QCheckBox* CheckDias;
  QSpinBox* TextDias;
  QCheckBox* CheckPorcentaje;
  QSpinBox* TextPorcentaje;
  QRadioButton* OptionAvisar;
  QRadioButton* OptionAntiguos;
  QLabel* LabelVista;
  QPushButton* CommandVer;
  QPushButton* CommandAceptar;
  QPushButton* CommandCancelar;

 signals:
  void Previewed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Changed();
  void OnPlan(std::shared_ptr<const platform::PurgePlan> plan, quint64 serial);
  void Ver();
  void Aceptar();

  QThread thread_;
  PurgePreviewer* previewer_;
  quint64 serial_ = 0;
  platform::PurgePlan plan_;
};

class PurgeTool final : public WindowTool<FormAutoVaciar> {
 public:
  PurgeTool();
  bool Available() const override;
};

// "Ahora se eliminarían N elementos (tamaño)" or "Ahora no se eliminaría nada".
QString PreviewText(std::size_t count, std::int64_t size);

}  // namespace tools
