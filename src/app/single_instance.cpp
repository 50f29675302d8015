#include "single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace donguri {

namespace {
constexpr int AnswerTimeoutMs = 1000;
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent), m_name(name)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::nameForCurrentUser()
{
    return QStringLiteral("donguri-%1").arg(getuid());
}

bool SingleInstance::handOverToRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(AnswerTimeoutMs)) {
        socket.write(RaiseRequest);
        socket.waitForBytesWritten(AnswerTimeoutMs);
        socket.disconnectFromServer();
        return true;
    }
    listen();
    return false;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket left by a crashed run is stale.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name))
        return false; // runs on, just without the hand-over
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(RaiseRequest.trimmed()))
                    Q_EMIT activationRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace donguri
