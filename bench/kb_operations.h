// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timing.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace donguri {
class KnowledgeBase;
}

namespace donguri::bench {

class RawConnection;

// One question asked both ways: through KnowledgeBase and as the hand-written query `rawSql`.
struct Operation
{
    QString name;
    QByteArray rawSql;
    Side program;
    Side raw;
    std::function<void()> finish = [] {}; // puts back what the timed writes changed
};

// Every operation the benchmark times, in the order it reports them. Reads and writes go to the
// knowledge base `kb` of `entries` generated entries and, for the raw side, to `connection` on
// the same file. The operations keep references to both.
QList<Operation> kbOperations(KnowledgeBase &kb, RawConnection &connection, int entries);

} // namespace donguri::bench
