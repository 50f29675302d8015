// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech_balloon.h"

#include "window_shape.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>

namespace donguri {

namespace {
constexpr int TextWidth = 260;     // wrap beyond this
constexpr int WideTextWidth = 420; // for texts too tall at the usual width
constexpr int Padding = 12;
constexpr int Tail = 14;
} // namespace

SpeechBalloon::SpeechBalloon(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus),
      m_scroll(new QScrollArea(this)), m_label(new QLabel)
{
    setObjectName(QStringLiteral("SpeechBalloon"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_label->setObjectName(QStringLiteral("SpeechText"));
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(15);
    m_label->setFont(font);
    m_label->setStyleSheet(QStringLiteral("color: #2a2235; background: transparent;"));
    // A long meaning scrolls inside the balloon rather than running off the screen.
    m_scroll->setObjectName(QStringLiteral("SpeechScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_label->setAutoFillBackground(false);
    m_scroll->setWidget(m_label);
    showOnAllDesktops(this);
    keepOffTaskBar(this);
}

void SpeechBalloon::present(const QString &text, qsizetype shown, const QRect &figure,
                            const QRect &screen)
{
    // The size is worked out once per speech (for the whole text, so the balloon does not jump
    // as words appear); each frame only reveals more of it and follows the figure.
    if (text != m_text || screen != m_screen)
        layOut(text, screen);
    if (shown != m_shown) {
        m_shown = shown;
        m_label->setText(text.left(shown));
    }
    placeBeside(figure, screen);
    m_scroll->move(Padding, Padding + (m_tailDown ? 0 : Tail));
    if (m_scrolls)
        keepRevealedInView();
    if (!isVisible())
        show();
    update();
}

void SpeechBalloon::layOut(const QString &text, const QRect &screen)
{
    m_text = text;
    m_screen = screen;
    m_shown = -1;
    m_label->setText(text);
    // The label's size hints grow to its fixed size; released, they are the new text's alone, so
    // a short speech after a long one gets a small balloon again.
    m_label->setMinimumSize(0, 0);
    m_label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QFontMetrics metrics(m_label->font());
    int width = std::min(TextWidth, std::max(metrics.horizontalAdvance(text) + 2, 40));
    int height = m_label->heightForWidth(width);
    const int maxHeight = std::max(80, screen.height() * 2 / 5);
    if (height > maxHeight) {
        width = std::min(WideTextWidth, std::max(TextWidth, screen.width() / 2));
        height = m_label->heightForWidth(width);
    }
    m_scrolls = height > maxHeight;
    const int scrollBar = m_scrolls ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
    const int visibleHeight = std::min(height, maxHeight);
    m_label->setFixedSize(width, height);
    m_scroll->resize(width + scrollBar, visibleHeight);
    resize(width + scrollBar + 2 * Padding, visibleHeight + 2 * Padding + Tail);

    setAccessibleName(text);
    setAccessibleDescription(text);
    m_label->setAccessibleName(text);
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

// Keeps the words just revealed at the bottom of the view.
void SpeechBalloon::keepRevealedInView()
{
    QCoreApplication::sendPostedEvents(m_scroll, QEvent::LayoutRequest);
    const QFontMetrics metrics(m_label->font());
    const int revealed =
        metrics
            .boundingRect(QRect(0, 0, m_label->width(), INT_MAX), Qt::TextWordWrap, m_label->text())
            .height();
    m_scroll->verticalScrollBar()->setValue(revealed - m_scroll->height());
}

void SpeechBalloon::placeBeside(const QRect &figure, const QRect &screen)
{
    // Above the character when there is room, otherwise below it; always inside the screen.
    const bool tailDown = figure.top() - height() >= screen.top();
    int x = figure.center().x() - width() / 2;
    int y = tailDown ? figure.top() - height() + 8 : figure.bottom() - 8;
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() - width() + 1));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() - height() + 1));
    move(x, y);
    const int tailX = std::clamp(figure.center().x() - x, 20, width() - 20);
    if (tailX != m_tailX || tailDown != m_tailDown) {
        m_tailX = tailX;
        m_tailDown = tailDown;
        applyShapeMask(this, outline()); // the tail moved, so the outline did
    }
}

QPainterPath SpeechBalloon::outline() const
{
    const QRectF body(1, m_tailDown ? 1 : Tail + 1, width() - 2, height() - Tail - 2);
    QPainterPath path;
    path.addRoundedRect(body, 12, 12);
    QPainterPath tail;
    if (m_tailDown) {
        tail.moveTo(m_tailX - 9, body.bottom() - 1);
        tail.lineTo(m_tailX, height() - 1);
        tail.lineTo(m_tailX + 9, body.bottom() - 1);
    } else {
        tail.moveTo(m_tailX - 9, body.top() + 1);
        tail.lineTo(m_tailX, 1);
        tail.lineTo(m_tailX + 9, body.top() + 1);
    }
    tail.closeSubpath();
    return path.united(tail);
}

void SpeechBalloon::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 50, 80), 1.6));
    painter.setBrush(QColor(255, 253, 240));
    painter.drawPath(outline());
}

void SpeechBalloon::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyShapeMask(this, outline());
}

} // namespace donguri
