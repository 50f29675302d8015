// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_shape.h"

#include <QBitmap>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QWidget>

#include <xcb/xcb.h>

namespace donguri {

namespace {
xcb_connection_t *x11Connection()
{
    auto *x11 = QGuiApplication::platformName() == u"xcb"
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atomNamed(xcb_connection_t *connection, const QByteArray &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// Adds the skip states to _NET_WM_STATE while the window is not mapped: the window manager
// reads them when it maps the window, and Qt keeps what it finds there when it adds its own.
void addSkipStates(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    const xcb_atom_t state = atomNamed(connection, "_NET_WM_STATE");
    const xcb_atom_t skips[] = {atomNamed(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                atomNamed(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || skips[0] == XCB_ATOM_NONE || skips[1] == XCB_ATOM_NONE)
        return;
    const auto id = xcb_window_t(window->winId());
    xcb_get_property_reply_t *current = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    QList<xcb_atom_t> atoms;
    if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(current));
        atoms = QList<xcb_atom_t>(values, values + xcb_get_property_value_length(current) / 4);
    }
    free(current);
    for (const xcb_atom_t skip : skips) {
        if (!atoms.contains(skip))
            atoms.append(skip);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        quint32(atoms.size()), atoms.constData());
}

// The show event comes before the window is mapped, the moment the states must be there.
class TaskBarSkipper : public QObject
{
public:
    explicit TaskBarSkipper(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched == parent())
            addSkipStates(static_cast<QWidget *>(watched));
        return false;
    }
};
} // namespace

bool compositorRunning()
{
    // Asked at most every two seconds: a compositor may come or go while the program runs.
    static bool running = false;
    static QDeadlineTimer nextCheck;
    if (!nextCheck.hasExpired())
        return running;
    nextCheck.setRemainingTime(2000);

    xcb_connection_t *connection = x11Connection();
    if (!connection) {
        running = true; // Wayland always composites; offscreen has nothing to show through
        return running;
    }
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
    if (!atom)
        return running = false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    running = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return running;
}

void showOnAllDesktops(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    const char name[] = "_NET_WM_DESKTOP";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
    if (!atom)
        return;
    // Set before the window is first mapped; 0xFFFFFFFF means "all desktops".
    const quint32 allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        atom->atom, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    free(atom);
}

void keepOffTaskBar(QWidget *window)
{
    new TaskBarSkipper(window);
}

void applyShapeMask(QWidget *window, const QPainterPath &outline)
{
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::black);
    painter.drawPath(outline);
    painter.end();
    applyShapeMask(window, image);
}

void applyShapeMask(QWidget *window, const QImage &frame)
{
    if (frame.isNull())
        return;
    if (compositorRunning()) {
        if (!window->mask().isEmpty())
            window->clearMask();
        return;
    }
    const QImage alpha = frame.createAlphaMask();
    QBitmap mask = QBitmap::fromImage(alpha);
    if (frame.devicePixelRatio() != 1.0)
        mask = QBitmap::fromPixmap(mask.scaled(window->size()));
    window->setMask(mask);
}

} // namespace donguri
