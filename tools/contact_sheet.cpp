// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Renders every character in every animation as a strip of frames into one PNG, so the whole
// cast can be reviewed at a glance:  donguri-contact-sheet OUTPUT.png
#include "character/character_art.h"
#include "character/pose.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

using namespace donguri;

namespace {

const QStringList Characters = {QStringLiteral("Genie"), QStringLiteral("merlin"),
                                QStringLiteral("Peedy")};
const QStringList Animations = {
    QStringLiteral("(appear)"), QStringLiteral("(rest)"),        QStringLiteral("announce"),
    QStringLiteral("read"),     QStringLiteral("readcontinued"), QStringLiteral("decline"),
    QStringLiteral("write"),    QStringLiteral("greet"),         QStringLiteral("process"),
    QStringLiteral("wave"),     QStringLiteral("hide"),          QStringLiteral("idle2_1"),
    QStringLiteral("blink"),    QStringLiteral("confused"),      QStringLiteral("think"),
    QStringLiteral("explain"),  QStringLiteral("pleased")};
constexpr int Frames = 7;
constexpr double Scale = 0.55;
constexpr int LabelWidth = 110;

Pose poseFor(const QString &animation, double t)
{
    if (animation == u"(appear)")
        return appearingPose(t);
    if (animation == u"(rest)")
        return restingPose(qint64(t * 4100));
    return animationPose(animation, t);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QSize cell = (QSizeF(CharacterArt::canvasSize()) * Scale).toSize();
    const int columnWidth = LabelWidth + Frames * cell.width() + 20;
    const int headerHeight = 30;
    QImage sheet(int(Characters.size()) * columnWidth,
                 headerHeight + int(Animations.size()) * cell.height(),
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(246, 244, 238));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(13);

    for (qsizetype c = 0; c < Characters.size(); ++c) {
        const auto art = CharacterArt::forId(Characters[c]);
        const int left = int(c) * columnWidth;
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(left, 0, columnWidth, headerHeight), Qt::AlignCenter, Characters[c]);
        font.setBold(false);
        painter.setFont(font);
        for (qsizetype a = 0; a < Animations.size(); ++a) {
            const int top = headerHeight + int(a) * cell.height();
            painter.setPen(QColor(60, 60, 60));
            painter.drawText(QRect(left + 6, top, LabelWidth - 6, cell.height()),
                             Qt::AlignVCenter | Qt::AlignLeft, Animations[a]);
            for (int f = 0; f < Frames; ++f) {
                painter.save();
                painter.translate(left + LabelWidth + f * cell.width(), top);
                painter.setPen(QColor(220, 216, 206));
                painter.drawRect(QRect(QPoint(0, 0), cell).adjusted(0, 0, -1, -1));
                painter.scale(Scale, Scale);
                art->paint(painter, poseFor(Animations[a], double(f) / (Frames - 1)));
                painter.restore();
            }
        }
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
