// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct xcb_connection_t;

namespace donguri::testing {

// The desktop's side of the X display a test runs on ($DISPLAY): a connection of its own that
// reads what a window manager or task bar reads, and sends what a window manager sends.
class XDesktop
{
public:
    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop &) = delete;
    XDesktop &operator=(const XDesktop &) = delete;

    bool isConnected() const;
    // The title the desktop shows (_NET_WM_NAME).
    QString windowName(quint32 window) const;
    // The window's states (_NET_WM_STATE) by name, such as "_NET_WM_STATE_SKIP_TASKBAR".
    QStringList windowStates(quint32 window) const;
    // What a window manager does to a window it withdraws: drops its _NET_WM_STATE.
    void forgetStates(quint32 window) const;
    // The top-level windows of one process (_NET_WM_PID), named `name`.
    QList<quint32> windowsOfProcess(qint64 pid, const QString &name) const;
    // What a title bar's close button does: a WM_DELETE_WINDOW message.
    void askToClose(quint32 window) const;

    // The client window that holds the selection `name` ("PRIMARY", "CLIPBOARD"); 0 for none.
    quint32 selectionOwner(const char *name) const;
    // Another program's window, shown and given the keyboard focus.
    quint32 focusNewWindow() const;
    // The window that has the keyboard focus.
    quint32 focusedWindow() const;
    // Another program holding a key on the root window, as a desktop's own shortcut does;
    // `modifiers` is an X modifier mask. False when the server refuses.
    bool grabKey(quint32 keysym, quint16 modifiers) const;

private:
    quint32 atom(const char *name) const;
    QByteArray property(quint32 window, quint32 name, quint32 type) const;

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
};

} // namespace donguri::testing
