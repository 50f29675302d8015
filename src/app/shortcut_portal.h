// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ask_key.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace donguri {

// The ask key on Wayland, through xdg-desktop-portal's GlobalShortcuts: the program asks the
// desktop for the shortcut "ask-selection", proposing its key; the desktop may ask the user to
// confirm or change it, and from then on tells the program when it is pressed.
class ShortcutPortal : public QObject
{
    Q_OBJECT
public:
    static const QString ShortcutId;

    ShortcutPortal(const QDBusConnection &bus, const AskKey &key, QObject *parent = nullptr);

    // Whether the desktop on `bus` offers global shortcuts at all (asked once, briefly).
    static bool isOffered(const QDBusConnection &bus);

    // Starts the session and binds the shortcut; the answers come later, by signal.
    void start();

Q_SIGNALS:
    void pressed();
    // The desktop bound the shortcut (the user may have chosen another key) or refused it.
    void bound();
    void refused();

private Q_SLOTS:
    void onSessionCreated(uint response, const QVariantMap &results);
    void onShortcutsBound(uint response, const QVariantMap &results);
    void onActivated(const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp,
                     const QVariantMap &options);

private:
    void expectResponse(const QString &token, const char *slot);
    void bindShortcuts();

    QDBusConnection m_bus;
    AskKey m_key;
    QString m_session;
};

} // namespace donguri
