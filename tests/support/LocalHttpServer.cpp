#include "support/LocalHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace testsupport {

LocalHttpServer::LocalHttpServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

LocalHttpServer::~LocalHttpServer() = default;

QString LocalHttpServer::Url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
}

void LocalHttpServer::Set(const QString& path, Reply reply) { replies_[path] = std::move(reply); }

void LocalHttpServer::Serve(QTcpSocket* socket) {
  QByteArray request = socket->property("request").toByteArray() + socket->readAll();
  socket->setProperty("request", request);
  const qsizetype end = request.indexOf("\r\n\r\n");
  if (end < 0 || socket->property("answered").toBool()) return;
  socket->setProperty("answered", true);
  const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
  QString path = first.size() > 1 ? QString::fromUtf8(first[1]) : QString("/");
  targets.append(path);
  path = path.section('?', 0, 0);
  ++counts_[path];
  Reply reply = replies_.contains(path) ? replies_[path] : Answer(404, "no", "text/plain");
  QPointer<QTcpSocket> s(socket);
  auto answer = [s, reply] {
    if (!s) return;
    const qint64 length = reply.length >= 0 ? reply.length : reply.body.size();
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status < 400 ? " OK" : " Error") +
        "\r\nContent-Type: " + reply.contentType +
        (reply.endless ? QByteArray() : "\r\nContent-Length: " + QByteArray::number(length)) +
        "\r\n" + reply.extraHeaders + "Connection: close\r\n\r\n";
    s->write(head);
    if (reply.endless) {
      auto* more = new QTimer(s);
      QObject::connect(more, &QTimer::timeout, s, [s, body = reply.body] {
        if (s && s->bytesToWrite() < (1 << 20)) s->write(body);
      });
      more->start(1);
      return;
    }
    if (reply.stallAfter >= 0) {
      s->write(reply.body.left(reply.stallAfter));
      s->flush();
      return;  // nothing more; the connection stays open
    }
    s->write(reply.body);
    s->disconnectFromHost();
  };
  if (reply.delayMs > 0)
    QTimer::singleShot(reply.delayMs, this, answer);
  else
    answer();
}

}  // namespace testsupport
