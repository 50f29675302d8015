// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "match_list_model.h"

#include "editors_log.h"
#include "kb/kb_location.h"
#include "kb/question_service.h"

#include <algorithm>

namespace donguri {

// Both lists are in ID order, so the words are matched to their rows in one walk; a word that
// no longer matches leaves its row blank.
QList<std::optional<QString>> matchingWords(const std::vector<qint32> &ids,
                                            const QList<WordRow> &found, const WordPattern &pattern)
{
    QList<std::optional<QString>> words;
    words.reserve(qsizetype(ids.size()));
    auto word = found.cbegin();
    for (const qint32 id : ids) {
        while (word != found.cend() && word->id < id)
            ++word;
        bool matches = false;
        if (word != found.cend() && word->id == id) {
            const QByteArray utf8 = withoutTrailingBlanks(word->word).toUtf8();
            matches = pattern.matches(std::string_view(utf8.constData(), size_t(utf8.size())));
        }
        words << (matches ? std::optional(word->word) : std::nullopt);
    }
    return words;
}

QList<std::optional<QString>> readMatchingWords(KnowledgeBase &kb, const std::vector<qint32> &ids,
                                                const WordPattern &pattern)
{
    return matchingWords(ids, kb.wordsOf(ids), pattern);
}

MatchListModel::MatchListModel(QuestionService &questions, QObject *parent)
    : QAbstractListModel(parent), m_questions(questions)
{
}

void MatchListModel::show(const QString &location, const QString &pattern,
                          std::shared_ptr<const MatchIds> matches, const QList<WordRow> &firstWords)
{
    // The same answer again (nothing has changed since): the rows stand as they are, and a
    // million of them need not be laid out again.
    if (matches && matches == m_matches && location == m_location && pattern == m_patternText)
        return;
    beginResetModel();
    ++m_shown;
    m_questions.dropPages();
    m_location = location;
    m_patternText = pattern;
    m_matches = std::move(matches);
    m_pages.clear();
    m_requested.clear();
    if (m_matches && !firstWords.isEmpty())
        m_pages.push_front({0, matchingWords(idsOfPage(0), firstWords, WordPattern(pattern))});
    endResetModel();
}

void MatchListModel::clear()
{
    show({}, {}, nullptr);
}

int MatchListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_matches)
        return 0;
    return int(std::min<qint64>(m_matches->size(), std::numeric_limits<int>::max()));
}

QVariant MatchListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Page *shown = page(index.row() / RowsPerPage);
    if (!shown)
        return {};
    const std::optional<QString> &word = shown->words.at(index.row() % RowsPerPage);
    return word ? QVariant(*word) : QVariant();
}

std::optional<qint32> MatchListModel::idAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return m_matches->at(row);
}

// The page when it is in; otherwise it is asked for, and its rows show blank until it comes.
const MatchListModel::Page *MatchListModel::page(qint64 number) const
{
    const auto cached = std::find_if(m_pages.begin(), m_pages.end(),
                                     [number](const Page &p) { return p.number == number; });
    if (cached != m_pages.end()) {
        m_pages.splice(m_pages.begin(), m_pages, cached);
        return &m_pages.front();
    }
    request(number);
    return nullptr;
}

void MatchListModel::request(qint64 number) const
{
    if (!m_requested.insert(number).second)
        return;
    std::vector<qint32> ids = idsOfPage(number);
    auto *self = const_cast<MatchListModel *>(this);
    m_questions.call<Words>(
        QuestionService::Lane::Page, m_location, self,
        [ids = std::move(ids), pattern = WordPattern(m_patternText)](KnowledgeBase &kb) {
            return readMatchingWords(kb, ids, pattern);
        },
        [self, shown = m_shown, number](Reply<Words> reply) {
            if (shown != self->m_shown)
                return;
            if (reply.ok())
                self->received(shown, number, *reply.value);
            else
                self->giveUp(reply.error);
        });
}

std::vector<qint32> MatchListModel::idsOfPage(qint64 number) const
{
    const qint64 first = number * RowsPerPage;
    const qint64 end = std::min<qint64>(first + RowsPerPage, m_matches->size());
    std::vector<qint32> ids;
    ids.reserve(size_t(std::max<qint64>(end - first, 0)));
    for (qint64 row = first; row < end; ++row)
        ids.push_back(m_matches->at(row));
    return ids;
}

void MatchListModel::received(quint64, qint64 number, const Words &words)
{
    m_requested.erase(number);
    m_pages.push_front({number, words});
    if (m_pages.size() > size_t(PagesKept))
        m_pages.pop_back();
    const int first = int(number * RowsPerPage);
    const int last = std::min(rowCount(), first + RowsPerPage) - 1;
    if (last >= first)
        Q_EMIT dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::AccessibleTextRole});
}

void MatchListModel::giveUp(const QString &error)
{
    qCWarning(lcEditors).noquote() << "cannot read the words of the match list from"
                                   << shownLocation(m_location) << "-" << error;
    clear();
}

} // namespace donguri
