// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTextStream>

namespace donguri::kbtool {

// Below this many rows an export or import is over before a bar would be worth reading.
constexpr qint64 ProgressBarMinimumRows = 5000;

// A bar only on a terminal: redirected output stays free of carriage-return drawing.
bool wantsProgressBar(bool streamIsTerminal, qint64 rows);

// One line on a terminal, "Importing [#########...........]  45% 4500/10000", drawn over
// itself with CR. It is redrawn only when the whole percentage moves, so a million rows cost a
// hundred writes.
class ProgressBar
{
public:
    ProgressBar(QTextStream &terminal, const QString &label, qint64 total);
    // A bar cut short by an error still ends its line, so the message starts on a fresh one.
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void advanceTo(qint64 done);
    // Draws the last state and moves to a fresh line.
    void finish();

private:
    void draw(qint64 done);

    QTextStream &m_terminal;
    QString m_label;
    qint64 m_total;
    int m_shownPercent = -1;
    bool m_finished = false;
};

} // namespace donguri::kbtool
