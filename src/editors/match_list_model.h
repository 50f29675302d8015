// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"
#include "kb/word_pattern.h"

#include <QAbstractListModel>

#include <list>
#include <memory>

namespace donguri {

// The words of a pattern's matches for the match list, read a page at a time as the view shows
// them: a million matches cost one integer each, and only the words of the few pages last shown
// are held. An entry changed or removed since the list was filled, so that it no longer matches,
// shows as a blank row with no word. When the knowledge base can no longer be read the list
// becomes empty rather than show what it held before.
class MatchListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit MatchListModel(QObject *parent = nullptr);

    // Shows the matches of `pattern`; their words are read from `kb` when they come into view.
    void show(std::shared_ptr<KnowledgeBase> kb, const QString &pattern,
              std::shared_ptr<const MatchIds> matches);
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    static constexpr int RowsPerPage = 128;
    static constexpr int PagesKept = 4;

private:
    struct Page
    {
        qint64 number;
        QList<std::optional<QString>> words; // by row within the page; none where it has gone
    };

    const Page *page(qint64 number) const;
    Page readPage(qint64 number) const;
    bool stillMatches(const QString &word) const;
    void giveUp() const;

    std::shared_ptr<KnowledgeBase> m_kb;
    std::optional<WordPattern> m_pattern;
    QString m_patternText;
    std::shared_ptr<const MatchIds> m_matches;
    mutable std::list<Page> m_pages; // most recently used first
    mutable bool m_unreadable = false;
};

} // namespace donguri
