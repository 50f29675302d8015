// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_shape.h"

#include <QBitmap>
#include <QDeadlineTimer>
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
