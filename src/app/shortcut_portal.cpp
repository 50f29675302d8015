// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcut_portal.h"

#include "app/app_log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

namespace donguri {

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString ApplicationId = QStringLiteral("org.donguri.Donguri");
constexpr int OfferTimeoutMs = 1000;

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

// Request objects are named after the caller's unique bus name: ":1.42" becomes "1_42".
QString requestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace
} // namespace donguri

Q_DECLARE_METATYPE(donguri::PortalShortcut)

namespace donguri {

const QString ShortcutPortal::ShortcutId = QStringLiteral("ask-selection");

ShortcutPortal::ShortcutPortal(const QDBusConnection &bus, const AskKey &key, QObject *parent)
    : QObject(parent), m_bus(bus), m_key(key)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

bool ShortcutPortal::isOffered(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << ShortcutsInterface << QStringLiteral("version");
    const QDBusReply<QVariant> version = bus.call(get, QDBus::Block, OfferTimeoutMs);
    return version.isValid() && version.value().toUInt() >= 1;
}

void ShortcutPortal::start()
{
    // A program that is not sandboxed names itself to the portal first; older portals have no
    // registry and find the name on their own.
    QDBusMessage registry = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registry << ApplicationId << QVariantMap();
    m_bus.call(registry, QDBus::Block, OfferTimeoutMs);

    const QString token = QStringLiteral("donguri_session");
    expectResponse(token, SLOT(onSessionCreated(uint, QVariantMap)));
    QDBusMessage create = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token},
                          {QStringLiteral("session_handle_token"), QStringLiteral("donguri")}};
    m_bus.asyncCall(create);
}

// The answer to a request comes as a signal on an object named in advance, so the program
// listens there before it asks.
void ShortcutPortal::expectResponse(const QString &token, const char *slot)
{
    m_bus.connect(PortalService, requestPath(m_bus, token), RequestInterface,
                  QStringLiteral("Response"), this, slot);
}

void ShortcutPortal::onSessionCreated(uint response, const QVariantMap &results)
{
    m_session = results.value(QStringLiteral("session_handle")).toString();
    if (response != 0 || m_session.isEmpty()) {
        qCWarning(lcApp) << "the desktop opened no shortcut session (answer" << response << ")";
        Q_EMIT refused();
        return;
    }
    m_bus.connect(PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bindShortcuts();
}

void ShortcutPortal::bindShortcuts()
{
    const QString token = QStringLiteral("donguri_bind");
    expectResponse(token, SLOT(onShortcutsBound(uint, QVariantMap)));
    const QList<PortalShortcut> shortcuts{
        {ShortcutId,
         {{QStringLiteral("description"), QStringLiteral("選択した言葉を聞く")},
          {QStringLiteral("preferred_trigger"), m_key.portalTrigger()}}}};
    QDBusMessage bind = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("BindShortcuts"));
    bind << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    m_bus.asyncCall(bind);
}

void ShortcutPortal::onShortcutsBound(uint response, const QVariantMap &)
{
    if (response != 0) {
        qCWarning(lcApp) << "the desktop did not bind the ask shortcut (answer" << response << ")";
        Q_EMIT refused();
        return;
    }
    Q_EMIT bound();
}

void ShortcutPortal::onActivated(const QDBusObjectPath &session, const QString &shortcut,
                                 qulonglong, const QVariantMap &)
{
    if (session.path() == m_session && shortcut == ShortcutId)
        Q_EMIT pressed();
}

} // namespace donguri
