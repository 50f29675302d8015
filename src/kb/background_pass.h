// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "knowledge_base.h"

#include <QObject>

#include <functional>
#include <memory>

namespace donguri {

// A pass over more words than this may run on another thread, so that no question holds up
// the windows (about 15 ms here; ten times that on a slow machine).
constexpr qint64 LongPassEntries = 100000;

// Runs a pattern's pass on another thread, on a handle of its own, and hands the result back on
// the thread that asked, kept in the asking handle for reuse when nothing changed meanwhile.
// Only the latest request is answered: a newer one, or cancel(), drops the ones before.
class BackgroundPass : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundPass(QObject *parent = nullptr);

    // `done` gets the matches, or null when the knowledge base could not be read.
    using Done = std::function<void(std::shared_ptr<const MatchIds>)>;
    void start(std::shared_ptr<KnowledgeBase> kb, const QString &pattern, Done done);
    void cancel() { ++m_latest; }

private:
    quint64 m_latest = 0;
};

} // namespace donguri
