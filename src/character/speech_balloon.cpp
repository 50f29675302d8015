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
}

void SpeechBalloon::present(const QString &text, qsizetype shown, const QRect &figure,
                            const QRect &screen)
{
    const bool newSpeech = text != m_text;
    m_text = text;
    // Size for the whole text from the start, so the balloon does not jump as words appear.
    m_label->setText(text);
    const QFontMetrics metrics(m_label->font());
    const int natural = metrics.horizontalAdvance(text) + 2;
    int width = std::min(TextWidth, std::max(natural, 40));
    int height = m_label->heightForWidth(width);
    const int maxHeight = std::max(80, screen.height() * 2 / 5);
    if (height > maxHeight) {
        width = std::min(WideTextWidth, std::max(TextWidth, screen.width() / 2));
        height = m_label->heightForWidth(width);
    }
    const bool scrolls = height > maxHeight;
    const int scrollBar = scrolls ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
    const int visibleHeight = std::min(height, maxHeight);
    m_label->setFixedSize(width, height);
    m_label->setText(text.left(shown));
    resize(width + scrollBar + 2 * Padding, visibleHeight + 2 * Padding + Tail);
    placeBeside(figure, screen);
    m_scroll->setGeometry(Padding, Padding + (m_tailDown ? 0 : Tail), width + scrollBar,
                          visibleHeight);
    if (scrolls) { // keep the words just revealed at the bottom of the view
        QCoreApplication::sendPostedEvents(m_scroll, QEvent::LayoutRequest);
        const int revealed = metrics.boundingRect(QRect(0, 0, width, INT_MAX), Qt::TextWordWrap,
                                                  text.left(shown)).height();
        m_scroll->verticalScrollBar()->setValue(revealed - visibleHeight);
    }
    if (newSpeech) {
        setAccessibleName(text);
        setAccessibleDescription(text);
        m_label->setAccessibleName(text);
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (!isVisible())
        show();
    update();
}

void SpeechBalloon::placeBeside(const QRect &figure, const QRect &screen)
{
    // Above the character when there is room, otherwise below it; always inside the screen.
    m_tailDown = figure.top() - height() >= screen.top();
    int x = figure.center().x() - width() / 2;
    int y = m_tailDown ? figure.top() - height() + 8 : figure.bottom() - 8;
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() - width() + 1));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() - height() + 1));
    move(x, y);
    m_tailX = std::clamp(figure.center().x() - x, 20, width() - 20);
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
