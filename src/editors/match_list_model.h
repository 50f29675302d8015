// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"
#include "kb/word_pattern.h"

#include <QAbstractListModel>

#include <list>
#include <memory>
#include <set>

namespace donguri {

class QuestionService;

// The words of the entries `ids`, in their order, each while it still matches `pattern`; none
// where an entry has gone or changed so that it no longer matches.
QList<std::optional<QString>> readMatchingWords(KnowledgeBase &kb, const std::vector<qint32> &ids,
                                                const WordPattern &pattern);
// The same from words already read (`found`, in ID order).
QList<std::optional<QString>> matchingWords(const std::vector<qint32> &ids,
                                            const QList<WordRow> &found,
                                            const WordPattern &pattern);

// The words of a pattern's matches for the match list, read a page at a time as the view shows
// them: a million matches cost one integer each, and only the words of the few pages last shown
// are held. Pages are read on the question service; until a page is in, its rows show blank and
// the view goes on painting, and they fill in as it arrives. An entry changed or removed since
// the list was filled, so that it no longer matches, shows as a blank row with no word. When the
// knowledge base can no longer be read the list becomes empty rather than show what it held
// before.
class MatchListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit MatchListModel(QuestionService &questions, QObject *parent = nullptr);

    // Shows the matches of `pattern`; their words are read from `location` when they come into
    // view. Words the question already read (`firstWords`, those of the first matches) fill the
    // first page without reading it again.
    void show(const QString &location, const QString &pattern,
              std::shared_ptr<const MatchIds> matches, const QList<WordRow> &firstWords = {});
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The ID of the entry a row stands for, and the pattern the rows match: for a row chosen
    // before its word has come.
    std::optional<qint32> idAt(int row) const;
    const QString &pattern() const { return m_patternText; }

    // Whether a page read is still on its way (for tests and benchmarks that wait for rows).
    Q_INVOKABLE bool isReading() const { return !m_requested.empty(); }

    static constexpr int RowsPerPage = 128;
    static constexpr int PagesKept = 4;

private:
    using Words = QList<std::optional<QString>>; // by row within a page; none where it has gone
    struct Page
    {
        qint64 number;
        Words words;
    };

    const Page *page(qint64 number) const;
    std::vector<qint32> idsOfPage(qint64 number) const;
    void request(qint64 number) const;
    void received(quint64 shown, qint64 number, const Words &words);
    void giveUp(const QString &error);

    QuestionService &m_questions;
    QString m_location;
    QString m_patternText;
    std::shared_ptr<const MatchIds> m_matches;
    quint64 m_shown = 0; // counts the lists shown, so that a late page of an earlier one is left
    mutable std::list<Page> m_pages; // most recently used first
    mutable std::set<qint64> m_requested;
};

} // namespace donguri
