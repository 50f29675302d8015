// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>

class QPushButton;
class QWidget;
class QWindow;

namespace donguri {

// Window layouts are kept in twips, 15 to a pixel at 96 dots per inch.
constexpr QRect fromTwips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

// The Japanese face is named outright: left to the locale, CJK glyphs may take Chinese forms.
QFont japaneseFont(double pointSize = 9.0);

// Gives a control its object name and its caption as accessible name.
void nameControl(QWidget *control, const QString &objectName, const QString &caption);

// A button with its object name, caption (also its accessible name) and place.
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, QRect place);

// Shows a modeless window without an owner and brings it to the front.
void presentWindow(QWidget *window);

// Marks a window of the program that stands in for another application (the document window
// stands in for a web browser): going from it to another window of the program is coming back
// from outside, not switching between the program's own windows.
void standInForAnotherApplication(QWidget *window);
bool standsInForAnotherApplication(const QWindow *window);

} // namespace donguri
