// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capped_text.h"

#include <QMimeData>
#include <QTextBlock>

#include <algorithm>

namespace donguri {

namespace {

// Where the text box starts a new paragraph: a line feed, a carriage return (with or without a
// line feed after it) or a paragraph separator.
bool breaksParagraph(QChar ch)
{
    return ch == u'\n' || ch == u'\r' || ch == QChar::ParagraphSeparator;
}

TextFit cutAt(QStringView text, qsizetype at, Overflow overflow)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate())
        --at;
    return {at, overflow};
}

// Where the paragraph that `text` ends in at `end` starts.
qsizetype paragraphStart(QStringView text, qsizetype end)
{
    while (end > 0 && !breaksParagraph(text.at(end - 1)))
        --end;
    return end;
}

// The fit of a text whose last paragraph stands alone.
TextFit fitAlone(QStringView text, const TextBounds &bounds, const TextRoom &room)
{
    qsizetype chars = room.chars;
    qsizetype lines = room.lines;
    qsizetype line = room.lineBefore;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (chars >= bounds.chars)
            return cutAt(text, at, Overflow::Chars);
        const QChar ch = text.at(at);
        if (!breaksParagraph(ch)) {
            if (line >= bounds.lineChars)
                return cutAt(text, at, Overflow::LineChars);
            ++line;
        } else if (!(ch == u'\n' && at > 0 && text.at(at - 1) == u'\r')) {
            if (lines >= bounds.lines)
                return cutAt(text, at, Overflow::Lines);
            ++lines;
            line = 0;
        }
        ++chars;
    }
    return {text.size(), Overflow::None};
}

} // namespace

// The text's last paragraph, wherever it is cut, goes on with the rest of the box's paragraph.
TextFit fitText(QStringView text, const TextBounds &bounds, const TextRoom &room)
{
    const TextFit alone = fitAlone(text, bounds, room);
    const qsizetype start = paragraphStart(text, alone.length);
    const qsizetype last = alone.length - start + (start == 0 ? room.lineBefore : 0);
    const qsizetype over = last + room.lineAfter - bounds.lineChars;
    if (over <= 0)
        return alone;
    return cutAt(text, std::max(start, alone.length - over), Overflow::LineChars);
}

CappedTextEdit::CappedTextEdit(const TextBounds &bounds, QWidget *parent)
    : QPlainTextEdit(parent), m_bounds(bounds)
{
}

// Only plain text goes into this box; the source's text is read once (from another program's
// clipboard that is a transfer) and handed on cut where it does not fit.
void CappedTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = source->text();
    const TextFit fit = fitText(text, m_bounds, roomAtCursor());
    QMimeData plain;
    plain.setText(fit.overflow == Overflow::None ? text : text.left(fit.length));
    QPlainTextEdit::insertFromMimeData(&plain);
    if (fit.overflow != Overflow::None)
        Q_EMIT pasteCut(fit.length, fit.overflow);
}

// What stays around the cursor once its selection is replaced.
TextRoom CappedTextEdit::roomAtCursor() const
{
    const QTextCursor cursor = textCursor();
    const QTextDocument *text = document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    const QTextBlock first = text->findBlock(start);
    const QTextBlock last = text->findBlock(end);
    TextRoom room;
    room.chars = text->characterCount() - 1 - (end - start);
    room.lines = text->blockCount() - (last.blockNumber() - first.blockNumber());
    room.lineBefore = start - first.position();
    room.lineAfter = last.position() + last.length() - 1 - end;
    return room;
}

} // namespace donguri
