// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "character_art.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace donguri {

namespace {

constexpr double Pi = 3.14159265358979323846;

// The figure stands on the canvas' bottom centre; everything is drawn around (0, 0) = feet.
const QPointF Feet(90, 192);

QPainterPath star(QPointF c, double outer, double inner, int points = 5)
{
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = -Pi / 2 + i * Pi / points;
        const QPointF p(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath heart(QPointF c, double s)
{
    QPainterPath path;
    path.moveTo(c.x(), c.y() + s * 0.9);
    path.cubicTo(c.x() - s * 1.4, c.y() - s * 0.1, c.x() - s * 0.6, c.y() - s * 1.1, c.x(),
                 c.y() - s * 0.35);
    path.cubicTo(c.x() + s * 0.6, c.y() - s * 1.1, c.x() + s * 1.4, c.y() - s * 0.1, c.x(),
                 c.y() + s * 0.9);
    return path;
}

const QColor Outline(40, 34, 52);

// ---- Genie: a blue spirit rising from a wisp, topknot, gold bands ----
class GenieArt final : public CharacterArt
{
protected:
    QPointF headCenter() const override { return {0, -112}; }
    void paintFigure(QPainter &p, const Pose &pose) const override
    {
        const QColor skin(84, 150, 230), skinDark(52, 104, 190), gold(246, 196, 64);
        p.setPen(QPen(Outline, 2));
        // wisp tail
        QPainterPath tail;
        tail.moveTo(-26, -62);
        tail.cubicTo(-30, -30, 18, -28, 10, -10);
        tail.cubicTo(4, 4, -14, 0, -6, -6);
        tail.cubicTo(6, -18, -16, -22, -20, -40);
        tail.cubicTo(-22, -50, 26, -50, 26, -62);
        tail.closeSubpath();
        p.setBrush(skinDark);
        p.drawPath(tail);
        // torso
        QPainterPath torso;
        torso.moveTo(-30, -62);
        torso.cubicTo(-40, -80, -34, -96, -22, -96);
        torso.lineTo(22, -96);
        torso.cubicTo(34, -96, 40, -80, 30, -62);
        torso.closeSubpath();
        p.setBrush(skin);
        p.drawPath(torso);
        // sash
        p.setBrush(QColor(200, 60, 90));
        p.drawRoundedRect(QRectF(-30, -70, 60, 9), 4, 4);
        paintArm(p, {-26, -90}, 30, pose.leftArm, true, skin, skin);
        paintArm(p, {26, -90}, 30, pose.rightArm, false, skin, skin);
        // head
        p.setBrush(skin);
        p.drawEllipse(headCenter(), 22, 21);
        // ears
        QPainterPath ear;
        ear.moveTo(-20, -116);
        ear.lineTo(-32, -124);
        ear.lineTo(-21, -106);
        p.drawPath(ear);
        QPainterPath ear2;
        ear2.moveTo(20, -116);
        ear2.lineTo(32, -124);
        ear2.lineTo(21, -106);
        p.drawPath(ear2);
        // topknot
        p.setBrush(QColor(30, 30, 60));
        p.drawEllipse(QPointF(0, -138), 7, 8);
        p.setBrush(gold);
        p.drawRect(QRectF(-5, -132, 10, 4));
        // earring
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(gold, 2));
        p.drawEllipse(QPointF(26, -106), 3, 4);
        p.setPen(QPen(Outline, 2));
        paintEyes(p, {-8, -116}, {8, -116}, 5, pose);
        paintMouth(p, {0, -101}, 14, pose);
        // goatee
        p.setBrush(QColor(30, 30, 60));
        QPainterPath beard;
        beard.moveTo(-4, -93);
        beard.lineTo(4, -93);
        beard.lineTo(0, -84);
        beard.closeSubpath();
        p.drawPath(beard);
    }
};

// ---- merlin: a wizard in a starry robe and pointed hat, long white beard ----
class MerlinArt final : public CharacterArt
{
protected:
    QPointF headCenter() const override { return {0, -100}; }
    void paintFigure(QPainter &p, const Pose &pose) const override
    {
        const QColor robe(108, 72, 168), robeDark(78, 48, 130), skin(248, 214, 186);
        p.setPen(QPen(Outline, 2));
        QPainterPath body;
        body.moveTo(-40, 0);
        body.cubicTo(-34, -40, -28, -70, -18, -84);
        body.lineTo(18, -84);
        body.cubicTo(28, -70, 34, -40, 40, 0);
        body.closeSubpath();
        p.setBrush(robe);
        p.drawPath(body);
        p.setBrush(QColor(250, 224, 120));
        p.setPen(Qt::NoPen);
        p.drawPath(star({-18, -24}, 5, 2));
        p.drawPath(star({16, -44}, 4, 1.6));
        p.drawPath(star({6, -12}, 3.5, 1.4));
        p.setPen(QPen(Outline, 2));
        paintArm(p, {-20, -76}, 32, pose.leftArm, true, robeDark, skin);
        paintArm(p, {20, -76}, 32, pose.rightArm, false, robeDark, skin);
        // face
        p.setBrush(skin);
        p.drawEllipse(headCenter(), 18, 18);
        // beard
        QPainterPath beard;
        beard.moveTo(-17, -98);
        beard.cubicTo(-22, -70, -8, -52, 0, -46);
        beard.cubicTo(8, -52, 22, -70, 17, -98);
        beard.cubicTo(8, -90, -8, -90, -17, -98);
        p.setBrush(QColor(244, 244, 248));
        p.drawPath(beard);
        // hat
        QPainterPath hat;
        hat.moveTo(-30, -110);
        hat.quadTo(0, -118, 30, -110);
        hat.lineTo(10, -150);
        hat.quadTo(18, -166, 30, -162);
        hat.quadTo(10, -168, 2, -152);
        hat.closeSubpath();
        p.setBrush(robeDark);
        p.drawPath(hat);
        p.setBrush(QColor(250, 224, 120));
        p.setPen(Qt::NoPen);
        p.drawPath(star({-2, -128}, 6, 2.4));
        p.setPen(QPen(Outline, 2));
        paintEyes(p, {-7, -102}, {7, -102}, 4, pose);
        // nose
        p.setBrush(QColor(236, 180, 160));
        p.drawEllipse(QPointF(0, -95), 4, 3.5);
        paintMouth(p, {0, -86}, 10, pose);
    }
};

// ---- Peedy: a green parrot with a yellow beak and a red crest ----
class PeedyArt final : public CharacterArt
{
protected:
    QPointF headCenter() const override { return {4, -108}; }
    void paintFigure(QPainter &p, const Pose &pose) const override
    {
        const QColor green(72, 176, 92), greenDark(44, 128, 68), belly(196, 232, 150);
        p.setPen(QPen(Outline, 2));
        // tail feathers
        QPainterPath tail;
        tail.moveTo(-16, -30);
        tail.lineTo(-34, 0);
        tail.lineTo(-22, 2);
        tail.lineTo(-8, -24);
        tail.closeSubpath();
        p.setBrush(QColor(60, 110, 210));
        p.drawPath(tail);
        // feet
        p.setPen(QPen(QColor(230, 150, 60), 3));
        p.drawLine(QPointF(-8, -14), QPointF(-10, 0));
        p.drawLine(QPointF(8, -14), QPointF(10, 0));
        p.setPen(QPen(Outline, 2));
        // body
        p.setBrush(green);
        p.drawEllipse(QPointF(0, -48), 30, 38);
        p.setBrush(belly);
        p.drawEllipse(QPointF(4, -42), 18, 26);
        // wings act as arms
        paintArm(p, {-24, -64}, 30, pose.leftArm, true, greenDark, greenDark);
        paintArm(p, {26, -64}, 30, pose.rightArm, false, greenDark, greenDark);
        // crest
        p.setBrush(QColor(226, 60, 60));
        for (int i = 0; i < 3; ++i) {
            QPainterPath f;
            f.moveTo(-6 + i * 6, -128);
            f.quadTo(-16 + i * 8, -150 + i * 2, -2 + i * 8, -142 + i * 3);
            f.closeSubpath();
            p.drawPath(f);
        }
        // head
        p.setBrush(green);
        p.drawEllipse(headCenter(), 24, 22);
        // cheek
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 200));
        p.drawEllipse(QPointF(14, -104), 9, 8);
        p.setPen(QPen(Outline, 2));
        paintEyes(p, {-4, -114}, {14, -114}, 5, pose);
        // beak: opens with the mouth
        const double open = 6 * pose.mouth;
        QPainterPath upper;
        upper.moveTo(20, -108);
        upper.quadTo(40, -110, 36, -94);
        upper.quadTo(30, -100, 18, -100);
        upper.closeSubpath();
        p.setBrush(QColor(250, 200, 50));
        p.drawPath(upper);
        QPainterPath lower;
        lower.moveTo(18, -99 + open * 0.3);
        lower.quadTo(30, -98 + open, 32, -92 + open);
        lower.quadTo(24, -92 + open, 18, -95 + open * 0.5);
        lower.closeSubpath();
        p.setBrush(QColor(230, 170, 40));
        p.drawPath(lower);
    }
};

} // namespace

std::unique_ptr<CharacterArt> CharacterArt::forId(const QString &id)
{
    if (id == u"Genie")
        return std::make_unique<GenieArt>();
    if (id == u"merlin")
        return std::make_unique<MerlinArt>();
    if (id == u"Peedy")
        return std::make_unique<PeedyArt>();
    return nullptr;
}

void CharacterArt::paint(QPainter &painter, const Pose &pose) const
{
    if (pose.opacity <= 0.01 || pose.scale <= 0.01)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(pose.opacity);
    painter.translate(Feet.x(), Feet.y() + pose.bob);
    painter.scale(pose.scale * pose.facing, pose.scale);
    painter.rotate(pose.tilt);
    paintFigure(painter, pose);
    paintProp(painter, pose);
    painter.restore();
}

void CharacterArt::paintEyes(QPainter &p, QPointF left, QPointF right, double r, const Pose &pose)
{
    const double open = 1 - std::clamp(pose.eyesClosed, 0.0, 1.0);
    for (const QPointF c : {left, right}) {
        if (open < 0.25) {
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(c.x() - r, c.y() - r * 0.6, 2 * r, 1.4 * r), 200 * 16, 140 * 16);
            continue;
        }
        p.setBrush(Qt::white);
        p.drawEllipse(c, r, r * open);
        p.setBrush(Outline);
        p.drawEllipse(QPointF(c.x() + pose.gaze * r * 0.45, c.y()), r * 0.5, r * 0.5 * open);
        if (pose.frown)
            p.drawLine(QPointF(c.x() - r, c.y() - r * 1.5 + (c == left ? 0 : 2)),
                       QPointF(c.x() + r, c.y() - r * 1.5 + (c == left ? 2 : 0)));
    }
}

void CharacterArt::paintMouth(QPainter &p, QPointF c, double w, const Pose &pose)
{
    if (pose.mouth > 0.15) {
        p.setBrush(QColor(150, 40, 60));
        p.drawEllipse(c, w * 0.35, w * 0.4 * pose.mouth + 1);
        return;
    }
    p.setBrush(Qt::NoBrush);
    const QRectF box(c.x() - w / 2, c.y() - w / 2, w, w * 0.6);
    if (pose.frown)
        p.drawArc(box.translated(0, w * 0.35), 30 * 16, 120 * 16);
    else
        p.drawArc(box, 200 * 16, 140 * 16);
}

void CharacterArt::paintArm(QPainter &p, QPointF shoulder, double length, double raise, bool left,
                            const QColor &sleeve, const QColor &hand)
{
    // Swung outward from hanging straight down: a little at rest, nearly overhead when raised.
    const double swing = (12 + 150 * std::clamp(raise, 0.0, 1.0)) * Pi / 180;
    const double outward = left ? -1 : 1;
    const QPointF end(shoulder.x() + outward * length * std::sin(swing),
                      shoulder.y() + length * std::cos(swing));
    p.setPen(QPen(Outline, 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(shoulder, end);
    p.setPen(QPen(sleeve, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(shoulder, end);
    p.setPen(QPen(Outline, 2));
    p.setBrush(hand);
    p.drawEllipse(end, 5.5, 5.5);
}

// Props, drawn around the head; `t` runs from 0 to 1 over the animation.
namespace {

void paintBook(QPainter &p, QPointF head, double t)
{
    const QRectF cover(-24, head.y() + 44, 48, 30 * std::max(0.2, t));
    p.setBrush(QColor(170, 60, 50));
    p.drawRect(cover);
    p.setBrush(QColor(252, 248, 236));
    p.drawRect(cover.adjusted(3, 3, -26, -3));
    p.drawRect(cover.adjusted(26, 3, -3, -3));
}

void paintPenAndPaper(QPainter &p, QPointF head, double t)
{
    p.setBrush(QColor(252, 248, 236));
    p.drawRect(QRectF(4, head.y() + 50, 40, 30));
    const double x = 10 + 26 * std::fmod(t * 3, 1.0);
    p.setPen(QPen(QColor(40, 70, 160), 1.5));
    p.drawLine(QPointF(10, head.y() + 60), QPointF(x, head.y() + 60));
    p.setPen(QPen(Outline, 3));
    p.drawLine(QPointF(x, head.y() + 62), QPointF(x + 10, head.y() + 44));
}

void paintGear(QPainter &p, QPointF head, double t)
{
    p.save();
    p.translate(head.x() + 30, head.y() - 30);
    p.rotate(360 * t * 2);
    p.setBrush(QColor(150, 160, 175));
    p.drawPath(star({0, 0}, 13, 9, 8));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 4, 4);
    p.restore();
}

void paintQuestionMarks(QPainter &p, QPointF head, double t)
{
    QFont font = p.font();
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(230, 120, 30));
    p.drawText(QPointF(head.x() + 22, head.y() - 18 - 6 * std::sin(Pi * t * 3)),
               QStringLiteral("?"));
    if (t > 0.4)
        p.drawText(QPointF(head.x() + 36, head.y() - 34), QStringLiteral("?"));
}

void paintThoughtDots(QPainter &p, QPointF head, double t)
{
    p.setBrush(Qt::white);
    const int shown = 1 + int(t * 3.99);
    for (int i = 0; i < shown; ++i)
        p.drawEllipse(QPointF(head.x() - 26 - i * 6, head.y() - 22 - i * 10), 3 + i * 2, 3 + i * 2);
}

void paintBulb(QPainter &p, QPointF head, double t)
{
    const QPointF c(head.x() - 30, head.y() - 32);
    p.setBrush(t > 0.3 ? QColor(255, 236, 110) : QColor(230, 230, 220));
    p.drawEllipse(c, 9, 10);
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(QRectF(c.x() - 4, c.y() + 9, 8, 5));
    if (t > 0.3) {
        p.setPen(QPen(QColor(250, 200, 40), 2));
        for (int i = 0; i < 5; ++i) {
            const double a = Pi * (1.1 + 0.2 * i);
            p.drawLine(QPointF(c.x() + 13 * std::cos(a), c.y() + 13 * std::sin(a)),
                       QPointF(c.x() + 18 * std::cos(a), c.y() + 18 * std::sin(a)));
        }
    }
}

void paintSparkles(QPainter &p, QPointF head, double t)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 214, 70));
    for (int i = 0; i < 4; ++i) {
        const double a = 2 * Pi * (i / 4.0 + t * 0.5);
        const double r = 34 + 6 * std::sin(Pi * t * 4 + i);
        p.drawPath(
            star({head.x() + r * std::cos(a), head.y() - 10 + r * std::sin(a) * 0.7}, 5, 2, 4));
    }
}

void paintHearts(QPainter &p, QPointF head, double t)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 80, 120));
    for (int i = 0; i < 3; ++i) {
        const double rise = std::fmod(t * 1.5 + i / 3.0, 1.0);
        p.drawPath(heart({head.x() - 30 + i * 30, head.y() - 20 - 30 * rise}, 6));
    }
}

} // namespace

void CharacterArt::paintProp(QPainter &p, const Pose &pose) const
{
    const QPointF head = headCenter();
    const double t = pose.propPhase;
    p.setPen(QPen(Outline, 2));
    switch (pose.prop) {
    case Prop::None:
        break;
    case Prop::Book:
        paintBook(p, head, t);
        break;
    case Prop::Pen:
        paintPenAndPaper(p, head, t);
        break;
    case Prop::Gear:
        paintGear(p, head, t);
        break;
    case Prop::Question:
        paintQuestionMarks(p, head, t);
        break;
    case Prop::ThoughtDots:
        paintThoughtDots(p, head, t);
        break;
    case Prop::Bulb:
        paintBulb(p, head, t);
        break;
    case Prop::Sparkles:
        paintSparkles(p, head, t);
        break;
    case Prop::Hearts:
        paintHearts(p, head, t);
        break;
    }
}

} // namespace donguri
