// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb_error.h"
#include "knowledge_base.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace donguri {

// What came back from a call: the value, or why there is none.
template <typename T>
struct Reply
{
    std::optional<T> value;
    QString error; // the failure's text, password already hidden; empty when it worked
    KbCause cause = KbCause::Unknown; // why it failed, for the person
    QString detail;                   // a server's own words for its refusal
    bool ok() const { return value.has_value(); }
};

// A call's failure as the worker caught it.
struct CallFailure
{
    QString error; // empty when the call worked
    KbCause cause = KbCause::Unknown;
    QString detail;
};

// The program's one way to the knowledge base. The windows hand it calls; it runs them one after
// another on a worker thread of its own, on one handle for the whole program, and hands each
// result back on the window thread. So no window ever waits on a store, however slow the file
// share or the network, and a desktop holds at most one server connection.
//
// Calls run and are answered in the order they were made. Each call goes in a lane: in a lane
// that supersedes (questions, list fills) a new call drops the ones still waiting there and
// interrupts the one running, which then ends early and is not answered. Writes are never
// dropped or interrupted.
//
// The handle is closed after a spell without calls (30 s unless told otherwise) and opened
// again by the next call, so an idle desktop holds nothing on the server. A server that had at
// least half of its connections taken when the handle opened gets it back after 5 s instead:
// that still covers calls that follow each other within seconds (the rows of a match list read
// as it is scrolled, a question asked again with a letter changed), while an office of desktops
// straight on one server stays clear of its limit. Through a connection pool the server's count
// stays low, and so the long spell holds there. Every call names its knowledge base; one that
// names another than the handle is on re-points it.
class QuestionService : public QObject
{
    Q_OBJECT
public:
    enum class Lane {
        Question, // the bar's questions: a newer one takes over
        List,     // filling the match list: a newer fill takes over
        Page,     // words for rows of the match list: all answered, dropped by dropPages()
        Edit,     // calls up and writes of the editing windows: never dropped
    };

    explicit QuestionService(QObject *parent = nullptr);
    // Waits for the call running now (at most its patience), then closes the handle.
    ~QuestionService() override;

    // Runs `work` on the worker, on the handle for `location`, then `done` on the window thread
    // with its value or its failure. `done` is not called once `context` is gone, nor for a call
    // that was superseded. Returns the call's ticket.
    template <typename T>
    quint64 call(Lane lane, const QString &location, QObject *context,
                 std::function<T(KnowledgeBase &)> work, std::function<void(Reply<T>)> done)
    {
        auto value = std::make_shared<std::optional<T>>();
        return enqueue(
            lane, location, context,
            [work = std::move(work), value](KnowledgeBase &kb) { *value = work(kb); },
            [done = std::move(done), value](const CallFailure &failure) {
                done(Reply<T>{std::move(*value), failure.error, failure.cause, failure.detail});
            });
    }

    // Drops every call of `lane` still waiting and interrupts the one running, if it is one.
    void supersede(Lane lane);
    // Drops the waiting page reads (the list they were for has gone or changed).
    void dropPages() { supersede(Lane::Page); }

    // How long the handle stays open without a call.
    void setIdleClose(std::chrono::milliseconds idle);
    // The same on a server that was crowded when the handle opened.
    void setIdleCloseWhenCrowded(std::chrono::milliseconds idle);
    // Calls made and not yet answered (or dropped): for tests and benchmarks that wait.
    int unanswered() const { return m_unanswered; }
    // Whether the worker holds a handle open now.
    bool holdsHandle() const;

Q_SIGNALS:
    // Every call made so far has been answered or dropped.
    void settled();

private:
    struct Worker;
    using Run = std::function<void(KnowledgeBase &)>;
    using Answer = std::function<void(const CallFailure &failure)>;

    quint64 enqueue(Lane lane, const QString &location, QObject *context, Run run, Answer answer);
    void deliver(Lane lane, quint64 ticket, const QPointer<QObject> &context, const Answer &answer,
                 const CallFailure &failure, bool superseded);
    void noteAnswered();

    std::unique_ptr<Worker> m_worker;
    quint64 m_lastTicket = 0;
    // Per lane, the first ticket still answered: a call taken over after it was done, while its
    // answer was on its way back, is dropped all the same.
    std::array<quint64, 4> m_answeredFrom{};
    int m_unanswered = 0;
};

} // namespace donguri
