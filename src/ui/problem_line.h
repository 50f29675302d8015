// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

class QLabel;
class QWidget;

namespace donguri {

// A line under a window's controls that says why something could not be done. The window grows
// by the rows the text needs while it shows (a long one wraps) and returns to its own size when
// it is cleared.
class ProblemLine
{
public:
    ProblemLine(QWidget *window, QSize clientSize);

    // `detail` (the system's own words) goes into the tool tip.
    void show(const QString &text, const QString &detail = {});
    void clear();

private:
    QWidget *m_window;
    QSize m_clientSize;
    QLabel *m_label;
};

} // namespace donguri
