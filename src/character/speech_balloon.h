// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;

namespace donguri {

// The balloon beside the character that shows what it says. Its text can be selected and
// copied, and it is the balloon's accessible name, so a screen reader reads each new speech.
class SpeechBalloon : public QWidget
{
    Q_OBJECT
public:
    explicit SpeechBalloon(QWidget *parent = nullptr);

    // Shows the first `shown` characters of `text` (the rest is revealed as it is spoken),
    // placed beside `figure` (screen coordinates) and kept inside `screen`.
    void present(const QString &text, qsizetype shown, const QRect &figure, const QRect &screen);
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut(const QString &text, const QRect &screen);
    void keepRevealedInView();
    void placeBeside(const QRect &figure, const QRect &screen);
    QPainterPath outline() const;

    QScrollArea *m_scroll;
    QLabel *m_label;
    QString m_text;
    QRect m_screen;
    qsizetype m_shown = -1;
    bool m_scrolls = false;
    bool m_tailDown = true; // balloon above the figure, tail pointing down
    int m_tailX = 40;
};

} // namespace donguri
