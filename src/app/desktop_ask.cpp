// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_ask.h"

#include "app/app_log.h"
#include "app/selection_question.h"
#include "app/shortcut_portal.h"
#include "app/single_instance.h"
#include "app/x11_key_grab.h"

#include <QClipboard>
#include <QGuiApplication>

namespace donguri {

DesktopAsk::DesktopAsk(std::function<void(const QString &)> ask, QObject *parent)
    : QObject(parent), m_ask(std::move(ask))
{
}

void DesktopAsk::askWord(const QString &word)
{
    qCDebug(lcApp) << "the desktop asks" << word;
    m_ask(word);
}

void DesktopAsk::askSelection()
{
    const SelectedQuestion selected = questionFromSelection(selectedText());
    switch (selected.verdict) {
    case SelectedQuestion::Verdict::Ask:
        m_ask(selected.question);
        break;
    case SelectedQuestion::Verdict::Empty:
        break; // nothing selected: nothing is asked, and nothing is said
    case SelectedQuestion::Verdict::TooLong:
        qCWarning(lcApp) << "the selected text is longer than" << LongestSelectedQuestion
                         << "characters; it is not asked";
        break;
    }
}

QString DesktopAsk::selectedText()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
        QString selected = clipboard->text(QClipboard::Selection);
        if (questionFromSelection(selected).verdict != SelectedQuestion::Verdict::Empty)
            return selected;
    }
    return clipboard->text(QClipboard::Clipboard);
}

DesktopAsk::KeyWay DesktopAsk::listen(SingleInstance &instance, const std::optional<AskKey> &key)
{
    connect(&instance, &SingleInstance::askRequested, this, &DesktopAsk::askWord);
    connect(&instance, &SingleInstance::askSelectionRequested, this, &DesktopAsk::askSelection);
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"
                         || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const KeyWay way = listenForKey(key, QDBusConnection::sessionBus(), wayland);
    qCDebug(lcApp) << "ask key" << (key ? key->text : QStringLiteral("none")) << "by" << int(way);
    return way;
}

DesktopAsk::KeyWay DesktopAsk::listenForKey(const std::optional<AskKey> &key,
                                            const QDBusConnection &bus, bool waylandSession)
{
    if (!key)
        return KeyWay::None;
    // Under Wayland an X grab sees the key only while an XWayland window has the focus; the
    // portal sees it everywhere. Both at once would ask twice.
    if (waylandSession && ShortcutPortal::isOffered(bus)) {
        m_portal = new ShortcutPortal(bus, *key, this);
        connect(m_portal, &ShortcutPortal::pressed, this, &DesktopAsk::askSelection);
        m_portal->start();
        return KeyWay::Portal;
    }
    m_grab = new X11KeyGrab(*key, this);
    if (!m_grab->isGrabbed())
        return KeyWay::None;
    connect(m_grab, &X11KeyGrab::pressed, this, &DesktopAsk::askSelection);
    return KeyWay::X11Grab;
}

} // namespace donguri
