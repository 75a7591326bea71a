// The peer: the smallest Qt WebEngine program, one view with "hello".
#include <QApplication>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWebEngineView view;
  view.resize(400, 300);
  QObject::connect(&view, &QWebEngineView::loadFinished, [] {
    QTimer::singleShot(1500, [] {
      std::printf("ready\n");
      std::fflush(stdout);
    });
  });
  view.setHtml("<html><body>hello</body></html>");
  view.show();
  return app.exec();
}
