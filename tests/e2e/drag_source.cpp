// A drag source for the drop scenarios, as a file manager is one: a window titled
// "ww-drag-source" that, when the mouse is pressed on it, drags the files named on its command
// line (XDND, text/uri-list) and prints the action the target chose.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class Source : public QWidget {
 public:
  explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("ww-drag-source"));
    resize(120, 120);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override { pressed_ = true; }
  void mouseMoveEvent(QMouseEvent*) override {
    if (!pressed_) return;
    pressed_ = false;
    auto* data = new QMimeData;
    data->setUrls(urls_);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    std::printf("%s\n", action == Qt::MoveAction   ? "move"
                        : action == Qt::CopyAction ? "copy"
                                                   : "none");
    std::fflush(stdout);
  }

 private:
  QList<QUrl> urls_;
  bool pressed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  Source source(urls);
  source.move(1000, 600);
  source.show();
  return app.exec();
}
