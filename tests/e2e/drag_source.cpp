// A drag source as a file manager is one: pressed on, the window "ww-drag-source" drags the files
// named on its command line (XDND, text/uri-list) and prints the action the target chose.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <utility>

namespace {

class Source : public QWidget {
 public:
  QList<QUrl> urls;
  bool pressed = false;

 protected:
  void mousePressEvent(QMouseEvent*) override { pressed = true; }
  void mouseMoveEvent(QMouseEvent*) override {
    if (!std::exchange(pressed, false)) return;
    auto* data = new QMimeData;
    data->setUrls(urls);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    std::printf("%s\n", action == Qt::MoveAction ? "move" : "no move");
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Source source;
  for (int i = 1; i < argc; ++i)
    source.urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  source.setWindowTitle(QStringLiteral("ww-drag-source"));
  source.setGeometry(1000, 600, 120, 120);
  source.show();
  return app.exec();
}
