// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A child process for the tests that kill or race writers of one knowledge base (a file, or a
// server's database when DB is a postgresql:// URI). It prints a
// line for every write once the write has returned, that is once it is committed:
//   kb_writer DB TAG teach                        adds entries until it is killed
//   kb_writer DB TAG correct MS SHARED OWN...     after a line on stdin, for MS milliseconds adds
//                                                 an entry, then rewrites one of its OWN rows
//                                                 and the SHARED row with that entry's text
// Lines: "added ID SEQ", "updated ID SEQ". A KbError ends it with code 1 and the error on stderr.
#include "kb/kb_error.h"
#include "kb/knowledge_base.h"
#include "kb/open_knowledge_base.h"
#include "written_entry.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <cstdio>

using namespace donguri;
using namespace donguri::testing;

namespace {

// Flushed at once, so a kill right after loses no acknowledgement. Once the test is gone the
// pipe is closed and the next report ends this process.
void report(const char *what, qint32 id, qint64 seq)
{
    std::printf("%s %d %lld\n", what, id, static_cast<long long>(seq));
    std::fflush(stdout);
}

[[noreturn]] void teach(KnowledgeBase &kb, const QString &tag)
{
    for (qint64 seq = 0;; ++seq) {
        const WrittenEntry entry = writtenEntry(tag, seq);
        report("added", kb.add(entry.word, entry.meaning, entry.link), seq);
    }
}

void correct(KnowledgeBase &kb, const QString &tag, qint64 ms, qint32 shared,
             const QList<qint32> &own)
{
    QElapsedTimer timer;
    timer.start();
    for (qint64 seq = 0; !timer.hasExpired(ms); ++seq) {
        const WrittenEntry entry = writtenEntry(tag, seq);
        const qint32 id = kb.add(entry.word, entry.meaning, entry.link);
        report("added", id, seq);
        if (kb.findWord(entry.word) != id)
            throw KbError(QStringLiteral("entry %1 is not found by its word").arg(id));
        for (const qint32 row : {own[seq % own.size()], shared}) {
            kb.update(row, entry.word, entry.meaning, entry.link);
            report("updated", row, seq);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.size() == 3 && args[2] == QStringLiteral("teach")) {
            const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(args[0]);
            teach(*kb, args[1]);
        }
        if (args.size() >= 6 && args[2] == QStringLiteral("correct")) {
            QList<qint32> own;
            for (const QString &id : args.mid(5))
                own << id.toInt();
            char go[16];
            if (!std::fgets(go, sizeof go, stdin))
                return 2;
            const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(args[0]);
            correct(*kb, args[1], args[3].toLongLong(), args[4].toInt(), own);
            return 0;
        }
    } catch (const KbError &error) {
        std::fprintf(stderr, "KbError %d: %s\n", error.code(), error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: kb_writer DB TAG teach | DB TAG correct MS SHARED OWN...\n");
    return 2;
}
