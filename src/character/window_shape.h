// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPainterPath>

class QWidget;

namespace donguri {

// Without a compositor, a translucent window's clear parts paint black; a shape mask cut from
// the window's own outline keeps them see-through. With a compositor the mask is harmless.
// True when a compositing manager draws the desktop (real alpha then works).
bool compositorRunning();
void applyShapeMask(QWidget *window, const QPainterPath &outline);
// Asks the window manager to keep the window on every workspace (where it supports that).
void showOnAllDesktops(QWidget *window);
// Keeps the window out of the task bar and the workspace pager: the character is no window of
// its own to the user. Asked again each time the window is shown, since a window manager drops
// the request when the window is hidden.
void keepOffTaskBar(QWidget *window);
void applyShapeMask(QWidget *window, const QImage &frame);

} // namespace donguri
