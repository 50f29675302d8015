// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "question_service.h"

#include "kb_error.h"
#include "kb_location.h"
#include "kb_log.h"
#include "open_knowledge_base.h"

#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

bool supersedes(QuestionService::Lane lane)
{
    return lane == QuestionService::Lane::Question || lane == QuestionService::Lane::List;
}

// At least half of the server's connections for ordinary roles were taken when the handle
// opened.
bool isCrowded(const std::optional<ServerConnections> &connections)
{
    return connections && connections->allowed > 0
           && 2 * connections->taken >= connections->allowed;
}

} // namespace

// The worker's side. Everything in it is guarded by `mutex`, except the handle itself, which
// only the worker thread uses; `handleMutex` keeps it from being closed while another thread
// interrupts it.
struct QuestionService::Worker
{
    struct Job
    {
        quint64 ticket = 0;
        Lane lane = Lane::Question;
        QString location;
        QPointer<QObject> context;
        Run run;
        Answer answer;
    };

    explicit Worker(QuestionService &service) : service(service) {}

    void loop();
    void runJob(Job &job);
    KnowledgeBase &handleFor(const QString &location);
    void closeHandle();
    void interruptRunning(quint64 ticket);

    QuestionService &service;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> queue;
    bool stopping = false;
    std::chrono::milliseconds idle{30000};
    std::chrono::milliseconds crowdedIdle{5000};
    quint64 runningTicket = 0; // 0 while nothing runs
    Lane runningLane = Lane::Question;
    bool runningSuperseded = false;
    bool holdsHandle = false;
    bool onCrowdedServer = false; // the handle's server was crowded when it opened

    std::mutex handleMutex;
    std::unique_ptr<KnowledgeBase> kb;
    bool interrupted = false; // the handle was interrupted since the last call began

    std::thread thread;
};

void QuestionService::Worker::loop()
{
    std::unique_lock lock(mutex);
    for (;;) {
        // Writes made before the end are still carried out: the user's words are not dropped.
        if (stopping && queue.empty())
            break;
        if (queue.empty()) {
            // Idle: after a spell without calls the handle goes, and with it the connection.
            if (holdsHandle) {
                const auto closeAfter = onCrowdedServer ? crowdedIdle : idle;
                if (!wake.wait_for(lock, closeAfter,
                                   [this] { return stopping || !queue.empty(); })) {
                    lock.unlock();
                    closeHandle();
                    qCDebug(lcKb) << "closed the knowledge base after a spell without calls";
                    lock.lock();
                }
            } else {
                wake.wait(lock, [this] { return stopping || !queue.empty(); });
            }
            continue;
        }
        Job job = std::move(queue.front());
        queue.pop_front();
        runningTicket = job.ticket;
        runningLane = job.lane;
        runningSuperseded = false;
        lock.unlock();
        runJob(job);
        lock.lock();
    }
    lock.unlock();
    closeHandle();
}

void QuestionService::Worker::runJob(Job &job)
{
    CallFailure failure;
    try {
        KnowledgeBase &handle = handleFor(job.location);
        job.run(handle);
    } catch (const KbError &error) {
        failure = {error.message(), error.cause(), withoutPassword(error.detail(), job.location)};
    } catch (const std::exception &error) {
        failure.error = QString::fromLocal8Bit(error.what());
    }
    if (!failure.error.isEmpty()) {
        failure.error = withoutPassword(failure.error, job.location);
        qCDebug(lcKb).noquote() << "a call on" << shownLocation(job.location)
                                << "failed:" << failure.error;
    }
    bool superseded = false;
    {
        // From here on no interruption can be aimed at this call any more (see interruptRunning)
        std::lock_guard lock(mutex);
        superseded = runningSuperseded;
        runningTicket = 0;
    }
    {
        // and one that came while it ended must not reach the next one.
        std::lock_guard lock(handleMutex);
        if (interrupted && kb)
            kb->settleInterrupt();
        interrupted = false;
    }
    QMetaObject::invokeMethod(
        &service,
        [service = &service, lane = job.lane, ticket = job.ticket, context = job.context,
         answer = std::move(job.answer), failure,
         superseded] { service->deliver(lane, ticket, context, answer, failure, superseded); },
        Qt::QueuedConnection);
}

// The one handle, on the knowledge base the call names: made when there is none, or made anew
// when the call names another one than it is on.
KnowledgeBase &QuestionService::Worker::handleFor(const QString &location)
{
    if (kb && kb->path() == location) {
        switch (kb->changedUnderneath()) {
        case KnowledgeBase::Underneath::Same:
            return *kb;
        case KnowledgeBase::Underneath::Rewritten:
            // Usually another program's write; now and then a file copied over it.
            qCDebug(lcKb).noquote()
                << shownLocation(location) << "was written by another program: opening it again";
            break;
        case KnowledgeBase::Underneath::Replaced:
            qCWarning(lcKb).noquote() << shownLocation(location)
                                      << "was replaced, moved or deleted while it was open: "
                                         "opening it again";
            break;
        }
    }
    closeHandle();
    std::unique_ptr<KnowledgeBase> opened = openKnowledgeBase(location);
    const std::optional<ServerConnections> connections = opened->serverConnectionsWhenOpened();
    std::lock_guard lock(handleMutex);
    kb = std::move(opened);
    std::lock_guard state(mutex);
    holdsHandle = true;
    onCrowdedServer = isCrowded(connections);
    if (onCrowdedServer)
        qCDebug(lcKb).noquote() << shownLocation(location) << "has" << connections->taken << "of"
                                << connections->allowed << "connections taken: closing after"
                                << crowdedIdle.count() << "ms without calls";
    return *kb;
}

void QuestionService::Worker::closeHandle()
{
    std::unique_ptr<KnowledgeBase> closing;
    {
        std::lock_guard lock(handleMutex);
        closing = std::move(kb);
        interrupted = false;
    }
    closing.reset();
    std::lock_guard lock(mutex);
    holdsHandle = false;
}

// Interrupts the call `ticket` if it is still the one running. Both locks are held, in the
// order handleFor takes them, so the worker cannot go on to the next call meanwhile.
void QuestionService::Worker::interruptRunning(quint64 ticket)
{
    std::lock_guard handle(handleMutex);
    std::lock_guard state(mutex);
    if (!kb || ticket == 0 || runningTicket != ticket)
        return;
    interrupted = true;
    kb->interrupt();
}

QuestionService::QuestionService(QObject *parent)
    : QObject(parent), m_worker(std::make_unique<Worker>(*this))
{
    m_worker->thread = std::thread([worker = m_worker.get()] { worker->loop(); });
}

// Questions and list reads still waiting are dropped and the one running is stopped; writes
// waiting or running are carried out, and the handle is closed cleanly after them.
QuestionService::~QuestionService()
{
    quint64 interrupt = 0;
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->stopping = true;
        std::erase_if(m_worker->queue,
                      [](const Worker::Job &job) { return job.lane != Lane::Edit; });
        if (m_worker->runningTicket != 0) {
            m_worker->runningSuperseded = true;
            if (m_worker->runningLane != Lane::Edit)
                interrupt = m_worker->runningTicket;
        }
    }
    m_worker->wake.notify_all();
    m_worker->interruptRunning(interrupt);
    m_worker->thread.join();
}

quint64 QuestionService::enqueue(Lane lane, const QString &location, QObject *context, Run run,
                                 Answer answer)
{
    if (supersedes(lane))
        supersede(lane);
    const quint64 ticket = ++m_lastTicket;
    ++m_unanswered;
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->queue.push_back(
            {ticket, lane, location, QPointer(context), std::move(run), std::move(answer)});
    }
    m_worker->wake.notify_one();
    return ticket;
}

void QuestionService::supersede(Lane lane)
{
    m_answeredFrom[static_cast<std::size_t>(lane)] = m_lastTicket + 1;
    int dropped = 0;
    quint64 interrupt = 0;
    {
        std::lock_guard lock(m_worker->mutex);
        auto &queue = m_worker->queue;
        for (auto job = queue.begin(); job != queue.end();) {
            if (job->lane == lane) {
                job = queue.erase(job);
                ++dropped;
            } else {
                ++job;
            }
        }
        if (m_worker->runningTicket != 0 && m_worker->runningLane == lane
            && !m_worker->runningSuperseded) {
            m_worker->runningSuperseded = true;
            interrupt = m_worker->runningTicket;
        }
    }
    // The scan of a question nobody waits for any more stops where it runs.
    m_worker->interruptRunning(interrupt);
    for (int i = 0; i < dropped; ++i)
        noteAnswered();
}

void QuestionService::setIdleClose(std::chrono::milliseconds idle)
{
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->idle = idle;
    }
    m_worker->wake.notify_all();
}

void QuestionService::setIdleCloseWhenCrowded(std::chrono::milliseconds idle)
{
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->crowdedIdle = idle;
    }
    m_worker->wake.notify_all();
}

bool QuestionService::holdsHandle() const
{
    std::lock_guard lock(m_worker->mutex);
    return m_worker->holdsHandle;
}

void QuestionService::deliver(Lane lane, quint64 ticket, const QPointer<QObject> &context,
                              const Answer &answer, const CallFailure &failure, bool superseded)
{
    superseded = superseded || ticket < m_answeredFrom[static_cast<std::size_t>(lane)];
    // A window that has gone, or a question that was taken over, hears nothing.
    if (!superseded && context)
        answer(failure);
    noteAnswered();
}

void QuestionService::noteAnswered()
{
    if (--m_unanswered == 0)
        Q_EMIT settled();
}

} // namespace donguri
