// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pose.h"

#include <QColor>
#include <QPointF>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;

namespace donguri {

// How one character looks. Draws a pose into a canvas of `canvasSize()` logical pixels.
class CharacterArt
{
public:
    virtual ~CharacterArt() = default;
    static QSize canvasSize() { return {180, 200}; }
    void paint(QPainter &painter, const Pose &pose) const;

    // "Genie", "merlin" or "Peedy" (the ids of the character definitions); null for others.
    static std::unique_ptr<CharacterArt> forId(const QString &id);

protected:
    virtual void paintFigure(QPainter &painter, const Pose &pose) const = 0;
    // Where the face sits in figure coordinates, for props that float by the head.
    virtual QPointF headCenter() const = 0;

    static void paintEyes(QPainter &painter, QPointF left, QPointF right, double radius,
                          const Pose &pose);
    static void paintMouth(QPainter &painter, QPointF center, double width, const Pose &pose);
    static void paintArm(QPainter &painter, QPointF shoulder, double length, double raise,
                         bool left, const QColor &sleeve, const QColor &hand);

private:
    void paintProp(QPainter &painter, const Pose &pose) const;
};

} // namespace donguri
