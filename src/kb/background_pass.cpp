// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "background_pass.h"

#include "kb_error.h"
#include "kb_location.h"
#include "kb_log.h"
#include "open_knowledge_base.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace donguri {

namespace {

using Result = std::shared_ptr<const MatchIds>;

Result passOnItsOwnHandle(const QString &location, const QString &pattern)
{
    try {
        return openKnowledgeBase(location)->matches(pattern);
    } catch (const KbError &error) {
        // The window asks again on its own handle, which reports what is wrong.
        qCWarning(lcKb) << "matching" << pattern << "away from the window failed on"
                        << shownLocation(location) << ":" << error.message();
        return nullptr;
    }
}

} // namespace

BackgroundPass::BackgroundPass(QObject *parent) : QObject(parent) {}

void BackgroundPass::start(std::shared_ptr<KnowledgeBase> kb, const QString &pattern, Done done)
{
    const quint64 request = ++m_latest;
    const KnowledgeBase::MatchTicket ticket = kb->ticketFor(pattern);
    const QString location = kb->path();
    auto *watcher = new QFutureWatcher<Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, request, ticket, kb = std::move(kb), done = std::move(done)] {
                watcher->deleteLater();
                if (request != m_latest)
                    return;
                const Result matches = watcher->result();
                if (matches)
                    kb->keepMatches(ticket, matches);
                done(matches);
            });
    watcher->setFuture(QtConcurrent::run(passOnItsOwnHandle, location, pattern));
}

} // namespace donguri
