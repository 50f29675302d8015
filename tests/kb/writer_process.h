// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QProcess>
#include <QStringList>

namespace donguri {
class KnowledgeBase;
}

namespace donguri::testing {

// One write a kb_writer child reported as done: entry `id` now holds writtenEntry(tag, seq).
struct Acknowledged
{
    qint32 id = 0;
    qint64 seq = 0;
};

// What is wrong with the entry of that acknowledged write (missing, or other text than the
// writer wrote); empty when it holds exactly that.
QString entryProblem(KnowledgeBase &kb, const QString &tag, const Acknowledged &write);

// A running kb_writer child and the writes it has acknowledged so far.
class WriterProcess
{
public:
    explicit WriterProcess(const QStringList &arguments);
    ~WriterProcess();

    // Reads reports until `count` entries have been added; false when the child ended first or
    // took longer than `timeoutMs`.
    bool waitForAdded(qsizetype count, int timeoutMs);
    // Sends a line to the child's stdin at once.
    void writeLine(const QByteArray &line);
    // Waits for the child to end by itself; false when it did not end in time or ended with an
    // error.
    bool finish(int timeoutMs);
    // SIGKILL, then collects what the child reported before it died. True when the kill ended
    // it; false when it had ended by itself (an error, see problem()).
    bool kill();

    // What it said on stderr and how it ended, for a failure message.
    QString problem();

    QList<Acknowledged> added;
    QList<Acknowledged> updated;

private:
    void readReports();

    QProcess m_process;
    QByteArray m_pending;
};

} // namespace donguri::testing
