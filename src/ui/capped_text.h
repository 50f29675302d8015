// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QStringView>

namespace donguri {

// How much text a multi-line box takes. Laying text out holds the window thread for a time that
// grows with the number of paragraphs and with the length of the paragraph being shown, not
// only with the text's size: these bounds keep every paste within a blink (characters are
// UTF-16 code units).
struct TextBounds
{
    qsizetype chars = 0;     // in the whole box
    qsizetype lines = 0;     // paragraphs in the whole box
    qsizetype lineChars = 0; // in one paragraph
};

// Which bound a text ran into.
enum class Overflow { None, Chars, Lines, LineChars };

// What a box already holds around the place a text goes in.
struct TextRoom
{
    qsizetype chars = 0;
    qsizetype lines = 1;
    qsizetype lineBefore = 0; // characters of the paragraph before the place
    qsizetype lineAfter = 0;  // and after it
};

struct TextFit
{
    qsizetype length = 0; // how many of the text's first characters go in
    Overflow overflow = Overflow::None;
};

// How much of `text`, from its start, goes into a box with `room` and `bounds`. Never cuts a
// character that takes two code units in half. Reads no further than what goes in.
TextFit fitText(QStringView text, const TextBounds &bounds, const TextRoom &room = {});

// A multi-line box that takes text pasted or dropped into it only as far as its bounds allow,
// before the text is laid out, so no paste of any size stalls the window.
class CappedTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    CappedTextEdit(const TextBounds &bounds, QWidget *parent);

    const TextBounds &bounds() const { return m_bounds; }

Q_SIGNALS:
    // Text pasted or dropped did not fit: only its first `kept` characters went in.
    void pasteCut(qsizetype kept, donguri::Overflow overflow);

protected:
    void insertFromMimeData(const QMimeData *source) override;

private:
    TextRoom roomAtCursor() const;

    TextBounds m_bounds;
};

} // namespace donguri
