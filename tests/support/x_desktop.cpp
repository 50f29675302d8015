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

} // namespace donguri::testing
