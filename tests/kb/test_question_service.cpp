// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the windows reach the knowledge base: answers in the order asked, a later
// question taking over (its scan cancelled on the server), one connection while in use and none
// when idle (sooner when the server is crowded), and a network that goes silent holding nobody
// up.
#include "kb/kb_error.h"
#include "kb/open_knowledge_base.h"
#include "kb/question_service.h"
#include "support/delay_proxy.h"
#include "support/pg_cluster.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <libpq-fe.h>
#include <thread>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;
using Lane = QuestionService::Lane;

namespace {

TestCluster &cluster()
{
    return TestCluster::shared();
}

int connectionsTo(const QString &database)
{
    return cluster()
        .value(u"postgres"_s,
               u"SELECT count(*) FROM pg_stat_activity"
               " WHERE application_name = 'donguri' AND datname = '%1'"_s.arg(database))
        .toInt();
}

// The statement the program's connection is running now, if any.
QString runningStatement(const QString &database)
{
    return cluster().value(u"postgres"_s,
                           u"SELECT query FROM pg_stat_activity WHERE application_name = 'donguri'"
                           " AND datname = '%1' AND state = 'active'"_s.arg(database));
}

// Keeps table 言葉 locked against every reader while it lives, so that a question waits on the
// server as a long scan would.
class TableLock
{
public:
    explicit TableLock(const QString &uri) : m_conn(PQconnectdb(uri.toUtf8().constData()))
    {
        PQclear(PQexec(m_conn, "BEGIN"));
        PGresult *locked = PQexec(m_conn, "LOCK TABLE \"言葉\" IN ACCESS EXCLUSIVE MODE");
        m_held = PQresultStatus(locked) == PGRES_COMMAND_OK;
        PQclear(locked);
    }
    ~TableLock() { PQfinish(m_conn); }
    bool isHeld() const { return m_held; }
    void release() { PQclear(PQexec(m_conn, "COMMIT")); }

private:
    PGconn *m_conn;
    bool m_held = false;
};

} // namespace

class TestQuestionService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_file = m_dir.filePath(u"kb%1.mdb"_s.arg(++m_files)); }

    // A call blocked on the worker; behind it two writes and three questions. The questions
    // taken over are never answered, the writes always, and in the order they were made.
    void answersComeInOrderAndALaterQuestionTakesOver()
    {
        QuestionService questions;
        std::atomic<bool> started = false;
        std::atomic<bool> release = false;
        QStringList heard;
        const auto note = [&heard](const QString &what) {
            return [&heard, what](Reply<QString> reply) {
                QVERIFY2(reply.ok(), qPrintable(reply.error));
                heard << what + u' ' + *reply.value;
            };
        };
        const auto wordCount = [](KnowledgeBase &kb) { return QString::number(kb.countAll()); };
        questions.call<QString>(
            Lane::Question, m_file, this,
            [&started, &release](KnowledgeBase &) {
                started = true;
                QElapsedTimer waiting;
                waiting.start();
                while (!release && waiting.elapsed() < 5000)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return u"blocked"_s;
            },
            note(u"A"_s));
        QTRY_VERIFY(started);
        QElapsedTimer asking;
        asking.start();
        questions.call<QString>(
            Lane::Edit, m_file, this,
            [](KnowledgeBase &kb) {
                return QString::number(kb.add(u"どんぐり"_s, u"木の実"_s, {}));
            },
            note(u"write"_s));
        questions.call<QString>(Lane::Question, m_file, this, wordCount, note(u"B"_s));
        questions.call<QString>(Lane::Question, m_file, this, wordCount, note(u"C"_s));
        questions.call<QString>(
            Lane::Edit, m_file, this,
            [](KnowledgeBase &kb) { return QString::number(kb.add(u"くり"_s, u"栗"_s, {})); },
            note(u"write"_s));
        QVERIFY(asking.elapsed() < 50);      // nothing above waits on the store
        QCOMPARE(questions.unanswered(), 4); // A (running, taken over), the writes and C
        release = true;
        QSignalSpy settled(&questions, &QuestionService::settled);
        QVERIFY(settled.wait(5000));
        QCOMPARE(heard, (QStringList{u"write 1"_s, u"C 1"_s, u"write 2"_s}));
    }

    // A question the worker finished while the window thread was busy, its answer not yet
    // delivered, is taken over by a question asked meanwhile all the same.
    void aQuestionDoneButNotYetHeardIsTakenOverToo()
    {
        QuestionService questions;
        std::atomic<bool> done = false;
        QStringList heard;
        questions.call<QString>(
            Lane::Question, m_file, this,
            [&done](KnowledgeBase &kb) {
                kb.countAll();
                done = true;
                return u"A"_s;
            },
            [&heard](Reply<QString> reply) { heard << *reply.value; });
        // No events run here, so A's answer waits in the queue however soon the worker is done.
        QElapsedTimer waiting;
        waiting.start();
        while (!done && waiting.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QVERIFY(done);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        questions.call<QString>(
            Lane::Question, m_file, this, [](KnowledgeBase &) { return u"B"_s; },
            [&heard](Reply<QString> reply) { heard << *reply.value; });
        QTRY_COMPARE(questions.unanswered(), 0);
        QCOMPARE(heard, QStringList{u"B"_s});
    }

    // A window that has gone hears nothing, and its calls still count as settled.
    void aWindowThatHasGoneHearsNothing()
    {
        QuestionService questions;
        auto *window = new QObject;
        bool heard = false;
        questions.call<qint64>(
            Lane::Edit, m_file, window, [](KnowledgeBase &kb) { return kb.countAll(); },
            [&heard](Reply<qint64>) { heard = true; });
        delete window;
        QTRY_COMPARE(questions.unanswered(), 0);
        QVERIFY(!heard);
    }

    // A failure comes back as the store's words, and the next call on another file re-points
    // the one handle.
    void aFailureIsAnsweredAndANewLocationIsFollowed()
    {
        QuestionService questions;
        std::optional<Reply<qint64>> failed;
        questions.call<qint64>(
            Lane::Question, m_dir.filePath(u"missing/folder/kb.mdb"_s), this,
            [](KnowledgeBase &kb) { return kb.countAll(); },
            [&failed](Reply<qint64> reply) { failed = reply; });
        QTRY_VERIFY(failed);
        QVERIFY(!failed->ok());
        QVERIFY(!failed->error.isEmpty());
        std::optional<QString> path;
        questions.call<QString>(
            Lane::Question, m_file, this, [](KnowledgeBase &kb) { return kb.path(); },
            [&path](Reply<QString> reply) { path = reply.value; });
        QTRY_VERIFY(path);
        QCOMPARE(*path, m_file);
    }

    // A file's scan stops where it runs when interrupted from another thread, and the handle
    // answers the next call as before.
    void anInterruptedFileScanStops()
    {
        const std::unique_ptr<KnowledgeBase> kb = openKnowledgeBase(m_file);
        QList<NewEntry> entries;
        for (int i = 0; i < 200000; ++i)
            entries << NewEntry{u"語%1ぐり"_s.arg(i), {}, {}};
        kb->addAll(entries);
        std::atomic<bool> done = false;
        QString failure;
        std::thread scan([&] {
            try {
                kb->matches(u"*1*ぐり*"_s);
            } catch (const KbError &error) {
                failure = error.message();
            }
            done = true;
        });
        while (!done) {
            kb->interrupt();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        scan.join();
        QVERIFY2(failure.contains(u"interrupt"_s, Qt::CaseInsensitive), qPrintable(failure));
        QCOMPARE(kb->countAll(), 200000);
    }

    // The program holds one connection while it is asked things, from every lane, and none
    // after a spell without calls; the next call opens it again.
    void oneConnectionWhileInUseNoneWhenIdle()
    {
        QVERIFY2(cluster().isRunning() || cluster().start(), qPrintable(cluster().problem()));
        const QString uri = cluster().newDatabase();
        const QString database = databaseOf(uri);
        QuestionService questions;
        questions.setIdleClose(std::chrono::milliseconds(600));
        int answered = 0;
        for (const Lane lane : {Lane::Edit, Lane::Question, Lane::List, Lane::Page, Lane::Edit}) {
            questions.call<qint64>(
                lane, uri, this, [](KnowledgeBase &kb) { return kb.countAll(); },
                [&answered](Reply<qint64> reply) { answered += reply.ok() ? 1 : 0; });
            QTRY_COMPARE(questions.unanswered(), 0);
        }
        QCOMPARE(answered, 5);
        QCOMPARE(connectionsTo(database), 1);
        QVERIFY(questions.holdsHandle());
        QTRY_VERIFY_WITH_TIMEOUT(!questions.holdsHandle(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(connectionsTo(database), 0, 5000);
        questions.call<qint64>(
            Lane::Question, uri, this, [](KnowledgeBase &kb) { return kb.countAll(); },
            [&answered](Reply<qint64> reply) { answered += reply.ok() ? 1 : 0; });
        QTRY_COMPARE(answered, 6);
        QCOMPARE(connectionsTo(database), 1);
    }

    // On a server with half of its connections taken, the handle goes after the short spell
    // without calls; on the same server with few taken, it stays for the long one.
    void aCrowdedServerGetsItsConnectionBackSooner()
    {
        TestCluster small(TestCluster::Setup{{}, false, 12}); // 9 left without superuser rights
        QVERIFY2(small.start(), qPrintable(small.problem()));
        const QString uri = small.newDatabase();
        const auto askOnce = [this, &uri](QuestionService &questions) {
            questions.setIdleClose(std::chrono::minutes(1));
            questions.setIdleCloseWhenCrowded(std::chrono::milliseconds(200));
            std::optional<Reply<qint64>> answer;
            questions.call<qint64>(
                Lane::Question, uri, this, [](KnowledgeBase &kb) { return kb.countAll(); },
                [&answer](Reply<qint64> reply) { answer = reply; });
            return QTest::qWaitFor([&answer] { return answer.has_value(); }, 10000) && answer->ok();
        };

        QuestionService alone;
        QVERIFY(askOnce(alone));
        QTest::qWait(1500);
        QVERIFY(alone.holdsHandle());

        std::vector<std::unique_ptr<PGconn, decltype(&PQfinish)>> crowd;
        for (int i = 0; i < 5; ++i) {
            crowd.emplace_back(PQconnectdb(uri.toUtf8().constData()), &PQfinish);
            QCOMPARE(PQstatus(crowd.back().get()), CONNECTION_OK);
        }
        QuestionService crowded;
        QVERIFY(askOnce(crowded));
        QTRY_VERIFY_WITH_TIMEOUT(!crowded.holdsHandle(), 20000);
        // The handle that opened before the crowd came keeps its long spell.
        QVERIFY(alone.holdsHandle());
    }

    // A question waiting on the server (as a long scan does) is cancelled there when a later
    // one takes over: the connection moves on to the later question at once.
    void aQuestionTakenOverIsCancelledOnTheServer()
    {
        QVERIFY2(cluster().isRunning() || cluster().start(), qPrintable(cluster().problem()));
        const QString uri = cluster().newDatabase();
        const QString database = databaseOf(uri);
        QuestionService questions;
        bool opened = false;
        questions.call<bool>(
            Lane::Edit, uri, this,
            [](KnowledgeBase &kb) {
                kb.add(u"どんぐり"_s, u"木の実"_s, {});
                return true;
            },
            [&opened](Reply<bool> reply) { opened = reply.ok(); });
        QTRY_VERIFY(opened);

        TableLock lock(uri);
        QVERIFY(lock.isHeld());
        bool firstAnswered = false;
        questions.call<bool>(
            Lane::Question, uri, this,
            [](KnowledgeBase &kb) { return bool(kb.findWord(u"くり"_s)); },
            [&firstAnswered](Reply<bool>) { firstAnswered = true; });
        QTRY_VERIFY_WITH_TIMEOUT(runningStatement(database).contains(u"言葉\" = "_s)
                                     || runningStatement(database).contains(u"照合語"_s),
                                 1000);
        const QString first = runningStatement(database);
        std::optional<qint64> count;
        questions.call<qint64>(
            Lane::Question, uri, this, [](KnowledgeBase &kb) { return kb.countAll(); },
            [&count](Reply<qint64> reply) { count = reply.value; });
        // Well within the reply patience, the server runs the later question instead.
        QTRY_VERIFY_WITH_TIMEOUT(runningStatement(database).contains(u"count("_s), 1000);
        QVERIFY(runningStatement(database) != first);
        QCOMPARE(connectionsTo(database), 1);
        lock.release();
        QTRY_VERIFY(count);
        QCOMPARE(*count, 1);
        QTRY_COMPARE(questions.unanswered(), 0);
        QVERIFY(!firstAnswered);
    }

    // The network drops every packet mid-question and mid-save: the caller is never held, the
    // calls fail within the patience, and once the network is back the next question works.
    void aSilentNetworkHoldsNobodyUpAndTheNextQuestionWorks()
    {
        QVERIFY2(cluster().isRunning() || cluster().start(), qPrintable(cluster().problem()));
        const QString database = databaseOf(cluster().newDatabase());
        DelayProxy proxy(cluster(), 25);
        QVERIFY(proxy.isRunning());
        const QString uri = proxy.uri(database);
        QuestionService questions;
        std::optional<Reply<qint64>> answer;
        const auto ask = [&](Lane lane, auto work) {
            answer.reset();
            QElapsedTimer asking;
            asking.start();
            questions.call<qint64>(lane, uri, this, work,
                                   [&answer](Reply<qint64> reply) { answer = reply; });
            QVERIFY(asking.elapsed() < 20);
        };
        const auto count = [](KnowledgeBase &kb) { return kb.countAll(); };
        const auto teach = [](KnowledgeBase &kb) -> qint64 {
            return kb.add(u"どんぐり"_s, u"木の実"_s, {});
        };
        ask(Lane::Edit, teach);
        QTRY_VERIFY(answer);
        QVERIFY2(answer->ok(), qPrintable(answer->error));

        proxy.dropEverything(true);
        for (const auto &[lane, work] :
             {std::pair{Lane::Question, +count}, std::pair{Lane::Edit, +teach}}) {
            QElapsedTimer failing;
            failing.start();
            ask(lane, work);
            QTRY_VERIFY_WITH_TIMEOUT(answer, 8000);
            QVERIFY(!answer->ok());
            QVERIFY(!answer->error.contains(u"password"_s, Qt::CaseInsensitive));
            QVERIFY2(failing.elapsed() < 5000, qPrintable(QString::number(failing.elapsed())));
        }
        proxy.dropEverything(false);
        ask(Lane::Question, count);
        QTRY_VERIFY_WITH_TIMEOUT(answer, 8000);
        QVERIFY2(answer->ok(), qPrintable(answer->error));
        // The save cut off mid-way may have reached the server or not, but it went only once.
        QVERIFY(*answer->value == 1 || *answer->value == 2);
        QCOMPARE(connectionsTo(database), 1);
    }

    // A host given by name is looked up first (within the patience), and each of its addresses
    // is tried in turn: "localhost" may name ::1 before 127.0.0.1, where alone the server is.
    void aHostNameIsLookedUpAndEachAddressTried()
    {
        QVERIFY2(cluster().isRunning() || cluster().start(), qPrintable(cluster().problem()));
        const QString database = databaseOf(cluster().newDatabase());
        DelayProxy proxy(cluster(), 0);
        QVERIFY(proxy.isRunning());
        QuestionService questions;
        std::optional<Reply<qint64>> answer;
        questions.call<qint64>(
            Lane::Question, proxy.uri(database).replace(u"127.0.0.1"_s, u"localhost"_s), this,
            [](KnowledgeBase &kb) { return kb.countAll(); },
            [&answer](Reply<qint64> reply) { answer = reply; });
        QTRY_VERIFY_WITH_TIMEOUT(answer, 5000);
        QVERIFY2(answer->ok(), qPrintable(answer->error));
        QCOMPARE(*answer->value, 0);
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_files = 0;
};

QTEST_GUILESS_MAIN(TestQuestionService)
#include "test_question_service.moc"
