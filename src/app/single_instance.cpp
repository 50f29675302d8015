// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "single_instance.h"

#include "app/app_log.h"
#include "freedesktop_application.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace donguri {

const QString SingleInstance::ServiceName = QStringLiteral("org.donguri.Donguri");
const QString SingleInstance::ObjectPath = QStringLiteral("/org/donguri/Donguri");
const QString SingleInstance::AskAction = QStringLiteral("ask");
const QString SingleInstance::AskSelectionAction = QStringLiteral("ask-selection");

namespace {
constexpr int AnswerTimeoutMs = 1000;
constexpr int ActivateTimeoutMs = 5000;
const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(const QDBusConnection &bus, const QString &runtimeFolder,
                               QObject *parent)
    : QObject(parent), m_bus(bus), m_runtimeFolder(runtimeFolder)
{
    new FreedesktopApplication(
        this, [this] { Q_EMIT activationRequested(); },
        [this](const QString &name, const QVariantList &parameter) {
            return runAction(name, parameter);
        });
}

// A program the bus starts for an action gets the call once its bar is up: the call waits in the
// event queue until then.
bool SingleInstance::runAction(const QString &name, const QVariantList &parameter)
{
    if (name == AskSelectionAction) {
        Q_EMIT askSelectionRequested();
        return true;
    }
    if (name != AskAction)
        return false;
    QVariant word = parameter.value(0);
    if (word.metaType() == QMetaType::fromType<QDBusVariant>())
        word = word.value<QDBusVariant>().variant();
    if (parameter.size() != 1 || word.metaType() != QMetaType::fromType<QString>()) {
        qCWarning(lcApp) << "the action ask takes one string, not" << parameter;
        return true;
    }
    Q_EMIT askRequested(word.toString());
    return true;
}

SingleInstance::~SingleInstance()
{
    if (m_ownsName) {
        m_bus.interface()->unregisterService(ServiceName);
        m_bus.unregisterObject(ObjectPath);
    }
}

QString SingleInstance::sessionRuntimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString SingleInstance::socketPath() const
{
    if (m_bus.isConnected() || m_runtimeFolder.isEmpty())
        return {};
    return QDir(m_runtimeFolder).filePath(ServiceName);
}

bool SingleInstance::handOverToRunningInstance()
{
    switch (claimOnBus()) {
    case Claim::Ours:
        return false;
    case Claim::Taken:
        askRunningInstanceOnBus();
        return true;
    case Claim::NoBus:
        break;
    }
    return !socketPath().isEmpty() && handOverOnSocket();
}

// The object answers before the name is ours, so a call that comes with the name finds it.
SingleInstance::Claim SingleInstance::claimOnBus()
{
    if (!m_bus.isConnected())
        return Claim::NoBus;
    if (!m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors))
        return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(ServiceName, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsName = true;
        return Claim::Ours;
    }
    m_bus.unregisterObject(ObjectPath);
    return reply.isValid() ? Claim::Taken : Claim::NoBus;
}

// Once the name has an owner this start ends, whether or not the owner answers in time: a
// second character must never come up beside the first.
void SingleInstance::askRunningInstanceOnBus()
{
    QDBusMessage activate = QDBusMessage::createMethodCall(
        ServiceName, ObjectPath, QStringLiteral("org.freedesktop.Application"),
        QStringLiteral("Activate"));
    activate << QVariantMap();
    // With an event loop of its own while it waits, so the running instance may even be this
    // same process (as in the tests).
    m_bus.call(activate, QDBus::BlockWithGui, ActivateTimeoutMs);
}

bool SingleInstance::handOverOnSocket()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (socket.waitForConnected(AnswerTimeoutMs)) {
        socket.write(RaiseRequest);
        socket.waitForBytesWritten(AnswerTimeoutMs);
        socket.disconnectFromServer();
        return true;
    }
    listenOnSocket();
    return false;
}

bool SingleInstance::listenOnSocket()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered, so a socket left by a crashed run is stale.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath()))
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
