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

Q_SIGNALS:
    void dragged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    const CharacterArt &m_art;
    QImage m_frame;
    QPoint m_grab;
    bool m_dragging = false;
};

} // namespace donguri
