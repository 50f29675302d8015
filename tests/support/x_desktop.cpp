// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_desktop.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace donguri::testing {

namespace {
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply *reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}
} // namespace

XDesktop::XDesktop()
{
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

XDesktop::~XDesktop()
{
    xcb_disconnect(m_connection);
}

bool XDesktop::isConnected() const
{
    return xcb_connection_has_error(m_connection) == 0;
}

quint32 XDesktop::atom(const char *name) const
{
    const auto reply = owned(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray XDesktop::property(quint32 window, quint32 name, quint32 type) const
{
    const auto reply = owned(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QString XDesktop::windowName(quint32 window) const
{
    return QString::fromUtf8(property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING")));
}

QStringList XDesktop::windowStates(quint32 window) const
{
    const QByteArray atoms = property(window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    QStringList names;
    for (qsizetype i = 0; i + 4 <= atoms.size(); i += 4) {
        xcb_atom_t state = XCB_ATOM_NONE;
        std::memcpy(&state, atoms.constData() + i, sizeof state);
        const auto reply = owned(
            xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, state), nullptr));
        if (reply)
            names << QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                         xcb_get_atom_name_name_length(reply.get()));
    }
    return names;
}

void XDesktop::forgetStates(quint32 window) const
{
    xcb_delete_property(m_connection, window, atom("_NET_WM_STATE"));
    // A round trip, so the deletion is done before the test goes on.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

QList<quint32> XDesktop::windowsOfProcess(qint64 pid, const QString &name) const
{
    QList<quint32> found;
    const auto tree =
        owned(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return found;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const QByteArray owner = property(children[i], atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
        if (owner.size() != sizeof(quint32))
            continue;
        quint32 ownerPid = 0;
        std::memcpy(&ownerPid, owner.constData(), sizeof ownerPid);
        if (ownerPid == pid && windowName(children[i]) == name)
            found << children[i];
    }
    return found;
}

void XDesktop::askToClose(quint32 window) const
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

quint32 XDesktop::selectionOwner(const char *name) const
{
    const auto owner = owned(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom(name)), nullptr));
    return owner ? owner->owner : 0;
}

quint32 XDesktop::focusNewWindow() const
{
    const xcb_window_t window = xcb_generate_id(m_connection);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(m_connection, window);
    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return window;
}

quint32 XDesktop::focusedWindow() const
{
    const auto focus =
        owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return focus ? focus->focus : 0;
}

bool XDesktop::grabKey(quint32 keysym, quint16 modifiers) const
{
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = owned(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)),
        nullptr));
    if (!mapping)
        return false;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count * perKeycode; ++i) {
        if (keysyms[i] != keysym)
            continue;
        const auto keycode = xcb_keycode_t(setup->min_keycode + i / perKeycode);
        const auto error = owned(xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        return !error;
    }
    return false;
}

} // namespace donguri::testing
