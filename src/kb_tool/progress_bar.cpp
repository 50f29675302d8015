// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress_bar.h"

#include <algorithm>

namespace donguri::kbtool {

using namespace Qt::StringLiterals;

namespace {

constexpr int BarWidth = 30;

int percentOf(qint64 done, qint64 total)
{
    if (total <= 0)
        return 100;
    return int(std::clamp<qint64>(done * 100 / total, 0, 100));
}

} // namespace

bool wantsProgressBar(bool streamIsTerminal, qint64 rows)
{
    return streamIsTerminal && rows > ProgressBarMinimumRows;
}

ProgressBar::ProgressBar(QTextStream &terminal, const QString &label, qint64 total)
    : m_terminal(terminal), m_label(label), m_total(total)
{
}

ProgressBar::~ProgressBar()
{
    if (m_shownPercent >= 0 && !m_finished) {
        m_terminal << '\n';
        m_terminal.flush();
    }
}

void ProgressBar::advanceTo(qint64 done)
{
    if (percentOf(done, m_total) != m_shownPercent)
        draw(done);
}

void ProgressBar::finish()
{
    draw(m_total);
    m_terminal << '\n';
    m_terminal.flush();
    m_finished = true;
}

void ProgressBar::draw(qint64 done)
{
    m_shownPercent = percentOf(done, m_total);
    const int filled = m_shownPercent * BarWidth / 100;
    m_terminal << '\r' << m_label << u" ["_s << QString(filled, u'#')
               << QString(BarWidth - filled, u'.') << u"] "_s
               << QString::number(m_shownPercent).rightJustified(3) << u"% "_s << done << u'/'
               << m_total;
    m_terminal.flush();
}

} // namespace donguri::kbtool
