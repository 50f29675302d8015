// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ask_key.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

struct xcb_connection_t;

namespace donguri {

// The ask key on X11: a passive grab on the root window, so that the key reaches this program
// whichever program has the focus. NumLock and CapsLock do not change the key: it is grabbed with
// each of them on and off.
class X11KeyGrab : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Grabs `key` on the program's own X connection; nothing is grabbed when the program does not
    // run on X11.
    explicit X11KeyGrab(const AskKey &key, QObject *parent = nullptr);
    ~X11KeyGrab() override;

    // False when the program is not on X11, the keyboard has no such key, or another program
    // already holds it (its own grab stays untouched).
    bool isGrabbed() const { return !m_grabbed.isEmpty(); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

Q_SIGNALS:
    // The key was pressed, in whatever program. Emitted from the event loop, not from inside the
    // X event's handling, so that whoever answers may talk to the X server (the selection) at once.
    void pressed();

private:
    struct Grab
    {
        quint8 keycode;
        quint16 modifiers;
    };
    void grab(const AskKey &key);
    QList<quint8> keycodesOf(quint32 keysym) const;
    quint16 numLockMask() const;
    bool grabOne(const Grab &grab);
    void releaseAll();

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    QList<Grab> m_grabbed;
    bool m_held = false;
    quint32 m_releasedAt = 0;
};

} // namespace donguri
