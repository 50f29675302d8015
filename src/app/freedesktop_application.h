// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace donguri {

// org.freedesktop.Application on the session bus: how the desktop starts or calls up a program
// whose desktop entry says DBusActivatable=true, and how a second start reaches the first.
class FreedesktopApplication : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    // `runAction` runs one of the program's actions and says whether it knew it.
    using ActionRunner = std::function<bool(const QString &name, const QVariantList &parameter)>;

    FreedesktopApplication(QObject *exported, std::function<void()> bringForward,
                           ActionRunner runAction);

public Q_SLOTS:
    // The program opens no files: for those, and for an action it does not know, the bar comes
    // forward.
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &name, const QVariantList &parameter,
                        const QVariantMap &platformData);

private:
    std::function<void()> m_bringForward;
    ActionRunner m_runAction;
};

} // namespace donguri
