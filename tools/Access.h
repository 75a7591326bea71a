#pragma once
// The keyboard and screen-reader side of the program's windows: names for
// controls that show no text, and the keys every window answers.
#include <QKeySequence>
#include <QString>
#include <functional>

class QAbstractButton;
class QWidget;

namespace tools {

// The name a screen reader reads for the control, and what it adds on request.
void Name(QWidget* control, const QString& name, const QString& description = QString());

// Esc calls cancel (closing the window, say) and Enter or Return, when the
// focused control leaves them unused, clicks the default button if it can be
// clicked. Either may be empty.
void WindowKeys(QWidget* window, std::function<void()> cancel,
                QAbstractButton* defaultButton = nullptr);

// keys pressed while the control has the focus run action instead of reaching it.
void OnKeys(QWidget* control, const QList<QKeySequence>& keys, std::function<void()> action);

}  // namespace tools
