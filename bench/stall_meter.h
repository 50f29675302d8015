// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "process_run.h"

#include <QTimer>

#include <algorithm>

namespace donguri::bench {

// Notes the longest gap between two turns of the window thread's event loop: what a window
// manager pinging a window sees as the time it did not answer.
class StallMeter
{
public:
    StallMeter()
    {
        m_turn.setInterval(1);
        QObject::connect(&m_turn, &QTimer::timeout, &m_turn, [this] {
            const qint64 now = monotonicNs();
            m_longestNs = std::max(m_longestNs, now - m_lastNs);
            m_lastNs = now;
        });
    }
    void start()
    {
        m_longestNs = 0;
        m_lastNs = monotonicNs();
        m_turn.start();
    }
    qint64 stopMs()
    {
        m_turn.stop();
        m_longestNs = std::max(m_longestNs, monotonicNs() - m_lastNs);
        return m_longestNs / 1'000'000;
    }

private:
    QTimer m_turn;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};

} // namespace donguri::bench
