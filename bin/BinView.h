#pragma once
// What the bin shows and asks over its window: the emptying's question, its
// progress and the entries that stayed, a refusal while the trash is busy,
// the question before a drop that would take the trash past its share, and
// the dropped items that stayed. The controller decides; the answers go back
// to it by its calls.
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/RecycleBin.h"

class QWidget;

namespace bin {

class BinController;

class BinView : public QObject {
 public:
  // Opens its windows over `window`; goes before the controller does.
  BinView(BinController& controller, QWidget* window);
  ~BinView() override;
  BinView(const BinView&) = delete;
  BinView& operator=(const BinView&) = delete;

  // The progress window of the emptying under way, if it has one.
  QProgressDialog* EmptyingProgress() const { return progress_; }

 private:
  void AskToEmpty(std::int64_t count);
  void ShowProgress(bool shown);
  void Progressed(std::int64_t done, std::int64_t total);
  void CloseProgress();
  void ShowLeft(const platform::EmptyResult& r);
  void Refuse(const QString& why);
  void AskBeforeDrop(int percent, const std::vector<std::filesystem::path>& items);
  void ShowDropLeft(const QString& text);

  BinController& controller_;
  QWidget* window_;
  QPointer<QProgressDialog> progress_;
  bool refusing_ = false;  // a refusal's message is open
};

}  // namespace bin
