// The single-instance rule over a per-user local socket.
#include "single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "platform/runtime_directory.h"

namespace netrov::ui {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr qint64 kMaxLine = 256;
}

SingleInstance::SingleInstance(const QString& mutexName, QObject* parent)
    : QObject(parent), name_(QString::fromStdString(platform::runtimeSocketPath(mutexName.toStdString())))
{
}

SingleInstance::~SingleInstance()
{
    if (server_) server_->close();
}

bool SingleInstance::send(const QString& serverName, const QByteArray& line)
{
    if (serverName.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(line + '\n');
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::raiseExisting() { return send(name_, "raise"); }

bool SingleInstance::listen()
{
    if (name_.isEmpty()) return false;  // no private directory: every start runs on its own
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered, so the socket left behind belongs to an ended instance.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readClient(socket); });
            if (socket->bytesAvailable() > 0) readClient(socket);
        }
    });
    return true;
}

void SingleInstance::readClient(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QList<QByteArray> words = socket->readLine(kMaxLine).trimmed().split(' ');
        if (words.value(0) == "raise") {
            emit raiseRequested();
        } else if (words.value(0) == "command" && words.size() == 3) {
            bool firstOk = false, secondOk = false;
            const qint64 first = words[1].toLongLong(&firstOk);
            const qint64 second = words[2].toLongLong(&secondOk);
            if (firstOk && secondOk) emit commandReceived(first, second);
        }
    }
    if (socket->bytesAvailable() > kMaxLine) socket->abort();
}

}  // namespace netrov::ui
