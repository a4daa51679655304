// One running program per user and mutex name: later starts hand over to the first and end.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace netrov::ui {

// The first instance listens on a local socket named after the mutex name in
// the user's private runtime directory, where no other user can occupy it. A later start sends "raise"; another program may send
// "command <first> <second>", which the first instance reports as a command.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& mutexName, QObject* parent = nullptr);
    ~SingleInstance() override;

    QString serverName() const { return name_; }
    // True when another instance answered and was asked to raise its window.
    bool raiseExisting();
    // Starts listening; false when the socket cannot be made.
    bool listen();

    // Sends one line to a running instance; false when none answers.
    static bool send(const QString& serverName, const QByteArray& line);

signals:
    void raiseRequested();
    void commandReceived(qint64 first, qint64 second);

private:
    void readClient(QLocalSocket* socket);

    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace netrov::ui
