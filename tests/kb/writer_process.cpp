// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "writer_process.h"

#include "kb/file_knowledge_base.h"
#include "written_entry.h"

#include <QDeadlineTimer>
#include <QTest>

namespace donguri::testing {

using namespace Qt::StringLiterals;

QString entryProblem(KnowledgeBase &kb, const QString &tag, const Acknowledged &write)
{
    const WrittenEntry expected = writtenEntry(tag, write.seq);
    const std::optional<Entry> found = kb.entry(write.id);
    if (!found)
        return u"entry %1 (%2 #%3) is missing"_s.arg(write.id).arg(tag).arg(write.seq);
    if (found->word == expected.word && found->meaning == expected.meaning
        && found->link == expected.link)
        return {};
    return u"entry %1 holds [%2|%3|%4], not %5 #%6"_s.arg(write.id)
        .arg(found->word, found->meaning.value_or(u"(null)"_s), found->link, tag)
        .arg(write.seq);
}

WriterProcess::WriterProcess(const QStringList &arguments)
{
    m_process.start(QStringLiteral(DONGURI_KB_WRITER), arguments);
    m_process.waitForStarted();
}

WriterProcess::~WriterProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

void WriterProcess::readReports()
{
    m_pending += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QList<QByteArray> fields = m_pending.left(end).split(' ');
        m_pending.remove(0, end + 1);
        if (fields.size() != 3)
            continue;
        const Acknowledged write{fields[1].toInt(), fields[2].toLongLong()};
        (fields[0] == "added" ? added : updated).append(write);
    }
}

bool WriterProcess::waitForAdded(qsizetype count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    readReports();
    while (added.size() < count) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        readReports();
    }
    return true;
}

void WriterProcess::writeLine(const QByteArray &line)
{
    m_process.write(line + '\n');
    m_process.waitForBytesWritten();
}

bool WriterProcess::finish(int timeoutMs)
{
    // With the event loop running every child's reports are read meanwhile: one left unread
    // would stall on a full pipe and stop writing.
    const bool finished =
        QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
    readReports();
    return finished && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

bool WriterProcess::kill()
{
    const bool wasRunning = m_process.state() == QProcess::Running;
    m_process.kill();
    m_process.waitForFinished();
    readReports();
    return wasRunning && m_process.exitStatus() == QProcess::CrashExit;
}

QString WriterProcess::problem()
{
    return QStringLiteral("kb_writer %1 with code %2: %3")
        .arg(m_process.exitStatus() == QProcess::CrashExit ? u"crashed"_s : u"exited"_s)
        .arg(m_process.exitCode())
        .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
}

} // namespace donguri::testing
