// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "figure_window.h"

#include "character_art.h"
#include "window_shape.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace donguri {

FigureWindow::FigureWindow(const CharacterArt &art, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus),
      m_art(art)
{
    setObjectName(QStringLiteral("CharacterFigure"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(CharacterArt::canvasSize());
    setCursor(Qt::OpenHandCursor);
    showOnAllDesktops(this);
    keepOffTaskBar(this);
}

void FigureWindow::setPose(const Pose &pose)
{
    const qreal ratio = devicePixelRatioF();
    QImage frame(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(ratio);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    m_art.paint(painter, pose);
    painter.end();
    m_frame = frame;
    applyShapeMask(this, m_frame);
    update();
}

void FigureWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_frame);
}

void FigureWindow::setVoiceMenu(bool available, bool on)
{
    m_voiceAvailable = available;
    m_voiceOn = on;
}

void FigureWindow::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_voiceAvailable)
        return;
    QMenu menu(this);
    menu.setFont(QFont(QStringLiteral("Noto Sans CJK JP")));
    QAction *voice = menu.addAction(QStringLiteral("声に出して話す"));
    voice->setCheckable(true);
    voice->setChecked(m_voiceOn);
    if (menu.exec(event->globalPos()) == voice)
        Q_EMIT voiceToggled(voice->isChecked());
}

void FigureWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grab = event->globalPosition().toPoint() - pos();
    setCursor(Qt::ClosedHandCursor);
}

void FigureWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        m_dragging = false;
        setCursor(Qt::OpenHandCursor);
        return;
    }
    move(event->globalPosition().toPoint() - m_grab);
    Q_EMIT dragged();
}

} // namespace donguri
