// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pose.h"

#include <QImage>
#include <QWidget>

namespace donguri {

class CharacterArt;

// The character's own window: frameless, above other windows, not in the task bar. It shows
// one pose at a time and can be dragged with the mouse.
class FigureWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FigureWindow(const CharacterArt &art, QWidget *parent = nullptr);

    void setPose(const Pose &pose);
    const QImage &frame() const { return m_frame; }
    // The right-click menu offers the voice switch when there is a voice at all.
    void setVoiceMenu(bool available, bool on);

Q_SIGNALS:
    void dragged();
    void voiceToggled(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    const CharacterArt &m_art;
    QImage m_frame;
    QPoint m_grab;
    bool m_dragging = false;
    bool m_voiceAvailable = false;
    bool m_voiceOn = false;
};

} // namespace donguri
