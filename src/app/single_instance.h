// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QLocalServer;

namespace donguri {

// One character per desktop session, the freedesktop way: the running program owns
// org.donguri.Donguri on the session bus and answers org.freedesktop.Application there, so a
// second start (or the desktop, starting it through D-Bus) only brings its bar forward. Without
// a session bus a socket in the session's own runtime folder does the same; without either,
// every start stands alone.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static const QString ServiceName;
    static const QString ObjectPath;

    // `bus` is the session bus, possibly not connected; `runtimeFolder` the session's own folder
    // ($XDG_RUNTIME_DIR), empty when there is none.
    SingleInstance(const QDBusConnection &bus, const QString &runtimeFolder,
                   QObject *parent = nullptr);
    ~SingleInstance() override;

    // This desktop session's runtime folder, or empty. Never the temporary folder that every
    // session of the user shares.
    static QString sessionRuntimeFolder();

    // True when another instance of this session answered (and has been asked to come
    // forward); otherwise this one now answers later starts.
    bool handOverToRunningInstance();

    // The socket's path when there is no session bus; empty when no socket is used.
    QString socketPath() const;

    // The desktop's actions on org.freedesktop.Application, as the desktop entry lists them.
    static const QString AskAction;          // one string: the word to ask
    static const QString AskSelectionAction; // no parameter: ask about the selected text

Q_SIGNALS:
    void activationRequested();
    void askRequested(const QString &word);
    void askSelectionRequested();

private:
    enum class Claim { Ours, Taken, NoBus };
    Claim claimOnBus();
    void askRunningInstanceOnBus();
    bool handOverOnSocket();
    bool listenOnSocket();
    bool runAction(const QString &name, const QVariantList &parameter);

    QDBusConnection m_bus;
    QString m_runtimeFolder;
    QLocalServer *m_server = nullptr;
    bool m_ownsName = false;
};

} // namespace donguri
