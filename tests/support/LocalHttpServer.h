#pragma once
// A small HTTP server on 127.0.0.1 that the tests start themselves; it runs
// on the test's own event loop and counts the requests per path.
#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace testsupport {

class LocalHttpServer : public QObject {
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
                      QByteArray contentType = "text/html; charset=utf-8", int delayMs = 0) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    r.contentType = std::move(contentType);
    r.delayMs = delayMs;
    return r;
  }

  LocalHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  QString Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }
  void Set(const QString& path, Reply reply) { replies_[path] = std::move(reply); }
  // Requests seen for path (its query left out).
  int Requests(const QString& path) const { return counts_.value(path); }
  // Every request's target, its query included, in the order they came.
  QStringList targets;

 private:
  void Serve(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
    socket->setProperty("answered", true);
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    QString path = first.size() > 1 ? QString::fromUtf8(first[1]) : QString("/");
    targets.append(path);
    path = path.section('?', 0, 0);
    ++counts_[path];
    Reply reply = replies_.contains(path) ? replies_[path] : Answer(404, "no", "text/plain");
    QPointer<QTcpSocket> s(socket);
    QTimer::singleShot(reply.delayMs, this, [s, reply] {
      if (!s) return;
      const qint64 length = reply.length >= 0 ? reply.length : reply.body.size();
      s->write(
          "HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status < 400 ? " OK" : " Error") +
          "\r\nContent-Type: " + reply.contentType +
          (reply.endless ? QByteArray() : "\r\nContent-Length: " + QByteArray::number(length)) +
          "\r\n" + reply.extraHeaders + "Connection: close\r\n\r\n");
      if (reply.endless) {
        auto* more = new QTimer(s);
        QObject::connect(more, &QTimer::timeout, s, [s, body = reply.body] {
          if (s && s->bytesToWrite() < (1 << 20)) s->write(body);
        });
        more->start(1);
      } else if (reply.stallAfter >= 0) {
        s->write(reply.body.left(reply.stallAfter));  // nothing more; the connection stays open
      } else {
        s->write(reply.body);
        s->disconnectFromHost();
      }
    });
  }
  QTcpServer server_;
  QMap<QString, Reply> replies_;
  QMap<QString, int> counts_;
};

}  // namespace testsupport
