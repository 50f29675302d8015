// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/x11_key_grab.h"

#include "app/app_log.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace donguri {

namespace {

constexpr quint32 KeysymNumLock = 0xff7f;

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
XcbReply<T> owned(T *reply)
{
    return {reply, &std::free};
}

quint16 xModifiers(unsigned modifiers)
{
    quint16 mask = 0;
    if (modifiers & AskKey::Shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & AskKey::Ctrl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & AskKey::Alt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & AskKey::Super)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace

X11KeyGrab::X11KeyGrab(const AskKey &key, QObject *parent) : QObject(parent)
{
    auto *x11 = QGuiApplication::platformName() == u"xcb"
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    grab(key);
    if (isGrabbed())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11KeyGrab::~X11KeyGrab()
{
    if (isGrabbed())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    releaseAll();
}

void X11KeyGrab::grab(const AskKey &key)
{
    const QList<quint8> keycodes = keycodesOf(key.keysym);
    if (keycodes.isEmpty()) {
        qCWarning(lcApp) << "the keyboard has no key" << key.text << "- no key is taken";
        return;
    }
    const quint16 base = xModifiers(key.modifiers);
    const quint16 numLock = numLockMask();
    const quint16 locks[] = {0, XCB_MOD_MASK_LOCK, numLock, quint16(numLock | XCB_MOD_MASK_LOCK)};
    for (const quint8 keycode : keycodes) {
        for (const quint16 lock : locks) {
            if (lock == numLock && numLock == 0)
                continue; // a keyboard without NumLock
            if (!grabOne({keycode, quint16(base | lock)})) {
                // Half a key would work only with some lock keys on: all or nothing.
                qCWarning(lcApp) << "another program already holds" << key.text
                                 << "- it stays theirs; ask through the desktop's own shortcut";
                releaseAll();
                return;
            }
        }
    }
}

QList<quint8> X11KeyGrab::keycodesOf(quint32 keysym) const
{
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const quint8 first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = owned(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, first, quint8(count)), nullptr));
    QList<quint8> keycodes;
    if (!mapping)
        return keycodes;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i) {
        for (int column = 0; column < perKeycode; ++column) {
            if (keysyms[i * perKeycode + column] == keysym) {
                keycodes << quint8(first + i);
                break;
            }
        }
    }
    return keycodes;
}

// NumLock sits on whichever modifier the keymap puts it on (usually Mod2).
quint16 X11KeyGrab::numLockMask() const
{
    const QList<quint8> numLockKeys = keycodesOf(KeysymNumLock);
    const auto modifiers = owned(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!modifiers || numLockKeys.isEmpty())
        return 0;
    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLockKeys.contains(keycodes[modifier * perModifier + i]))
                return quint16(1U << modifier);
        }
    }
    return 0;
}

// Another client's grab of the same key makes the server refuse ours (BadAccess); that is
// checked here, so the refusal never reaches Qt's error handler.
bool X11KeyGrab::grabOne(const Grab &grab)
{
    const auto error = owned(xcb_request_check(
        m_connection, xcb_grab_key_checked(m_connection, 0, m_root, grab.modifiers, grab.keycode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    if (error)
        return false;
    m_grabbed << grab;
    return true;
}

void X11KeyGrab::releaseAll()
{
    for (const Grab &grab : std::as_const(m_grabbed))
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers);
    if (!m_grabbed.isEmpty())
        xcb_flush(m_connection);
    m_grabbed.clear();
}

bool X11KeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    if (key->event != m_root)
        return false; // a key typed into one of the program's own windows
    const bool ours = std::any_of(m_grabbed.cbegin(), m_grabbed.cend(),
                                  [key](const Grab &g) { return g.keycode == key->detail; });
    if (!ours)
        return false;
    if (type == XCB_KEY_RELEASE) {
        m_held = false;
        m_releasedAt = key->time;
        return true;
    }
    // A key held down repeats: as more presses (Qt asks the server to tell repeats so), or as
    // releases and presses at one and the same moment. Either way it asks once.
    const bool repeat = m_held || (m_releasedAt != 0 && key->time == m_releasedAt);
    m_held = true;
    if (!repeat)
        QMetaObject::invokeMethod(this, &X11KeyGrab::pressed, Qt::QueuedConnection);
    return true;
}

} // namespace donguri
