// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ask_key.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <optional>

namespace donguri {

class ShortcutPortal;
class SingleInstance;
class X11KeyGrab;

// Asking from anywhere on the desktop: a word handed over by the desktop, the text selected in
// another program, and the one key that asks about it whichever program has the focus.
class DesktopAsk : public QObject
{
    Q_OBJECT
public:
    enum class KeyWay { None, X11Grab, Portal };

    // `ask` asks one question as the question bar's F1 does.
    explicit DesktopAsk(std::function<void(const QString &)> ask, QObject *parent = nullptr);

    // Asks the word as it is: the desktop's "ask" action.
    void askWord(const QString &word);
    // Asks the first line of the selected text (the primary selection, or the clipboard when
    // nothing is selected), without the blanks around it; nothing when there is no text.
    void askSelection();

    // Answers the desktop's actions that reach `instance`, and takes `key` as the ask key on
    // this session's desktop.
    KeyWay listen(SingleInstance &instance, const std::optional<AskKey> &key);

    // Takes `key` as the ask key: on a Wayland session through the desktop's shortcut portal
    // when `bus` has one, otherwise by a grab on the X display (XWayland's too). No key, no grab.
    KeyWay listenForKey(const std::optional<AskKey> &key, const QDBusConnection &bus,
                        bool waylandSession);

    // The text selected in another program, or the clipboard's when nothing is selected.
    static QString selectedText();

private:
    std::function<void(const QString &)> m_ask;
    X11KeyGrab *m_grab = nullptr;
    ShortcutPortal *m_portal = nullptr;
};

} // namespace donguri
