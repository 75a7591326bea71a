#pragma once
// A small HTTP server on 127.0.0.1 that the tests start themselves; it runs
// on the test's own event loop and counts the requests per path.
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

namespace testsupport {

class LocalHttpServer : public QObject {
  Q_OBJECT
 public:
  struct Reply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html; charset=utf-8";
    int delayMs = 0;          // before the answer starts
    qint64 stallAfter = -1;   // body bytes sent before it stops sending, the connection open
    qint64 length = -1;       // Content-Length announced; -1: the body's
    QByteArray extraHeaders;  // "Name: value\r\n" lines
    bool endless = false;     // the body sent again and again, no length, never ended
  };
  static Reply Answer(int status, QByteArray body,
                      QByteArray contentType = "text/html; charset=utf-8") {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    r.contentType = std::move(contentType);
    return r;
  }

  LocalHttpServer();
  ~LocalHttpServer() override;
  // "http://127.0.0.1:<port>" + path.
  QString Url(const QString& path) const;
  void Set(const QString& path, Reply reply);
  // Requests seen for path (its query left out).
  int Requests(const QString& path) const { return counts_.value(path); }
  // Every request's target, its query included, in the order they came.
  QStringList targets;

 private:
  void Serve(class QTcpSocket* socket);
  QTcpServer server_;
  QMap<QString, Reply> replies_;
  QMap<QString, int> counts_;
};

}  // namespace testsupport
