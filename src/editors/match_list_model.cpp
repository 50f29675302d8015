// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "match_list_model.h"

#include "kb/kb_error.h"

#include <QMetaObject>

#include <algorithm>

namespace donguri {

MatchListModel::MatchListModel(QObject *parent) : QAbstractListModel(parent) {}

void MatchListModel::show(std::shared_ptr<KnowledgeBase> kb, const QString &pattern,
                          std::shared_ptr<const MatchIds> matches)
{
    // The same answer again (nothing has changed since): the rows stand as they are, and a
    // million of them need not be laid out again.
    if (matches && matches == m_matches && kb == m_kb && pattern == m_patternText && !m_unreadable)
        return;
    beginResetModel();
    m_kb = std::move(kb);
    m_pattern.emplace(pattern);
    m_patternText = pattern;
    m_matches = std::move(matches);
    m_pages.clear();
    m_unreadable = false;
    endResetModel();
}

void MatchListModel::clear()
{
    show(nullptr, {}, nullptr);
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
    if (!index.isValid() || index.row() >= rowCount() || m_unreadable)
        return {};
    const Page *shown = page(index.row() / RowsPerPage);
    if (!shown)
        return {};
    const std::optional<QString> &word = shown->words.at(index.row() % RowsPerPage);
    return word ? QVariant(*word) : QVariant();
}

const MatchListModel::Page *MatchListModel::page(qint64 number) const
{
    const auto cached = std::find_if(m_pages.begin(), m_pages.end(),
                                     [number](const Page &p) { return p.number == number; });
    if (cached != m_pages.end()) {
        m_pages.splice(m_pages.begin(), m_pages, cached);
        return &m_pages.front();
    }
    try {
        m_pages.push_front(readPage(number));
    } catch (const KbError &) {
        giveUp();
        return nullptr;
    }
    if (m_pages.size() > size_t(PagesKept))
        m_pages.pop_back();
    return &m_pages.front();
}

MatchListModel::Page MatchListModel::readPage(qint64 number) const
{
    const qint64 first = number * RowsPerPage;
    const qint64 end = std::min<qint64>(first + RowsPerPage, m_matches->size());
    std::vector<qint32> ids;
    for (qint64 row = first; row < end; ++row)
        ids.push_back(m_matches->at(row));
    // Both lists are in ID order, so the words are matched to their rows in one walk.
    const QList<WordRow> found = m_kb->wordsOf(ids);
    Page result{number, {}};
    auto word = found.cbegin();
    for (const qint32 id : ids) {
        while (word != found.cend() && word->id < id)
            ++word;
        const bool there = word != found.cend() && word->id == id;
        result.words << (there && stillMatches(word->word) ? std::optional(word->word)
                                                           : std::nullopt);
    }
    return result;
}

bool MatchListModel::stillMatches(const QString &word) const
{
    const QByteArray utf8 = withoutTrailingBlanks(word).toUtf8();
    return m_pattern->matches(std::string_view(utf8.constData(), size_t(utf8.size())));
}

// The view is painting when a read fails, so the list is emptied just after.
void MatchListModel::giveUp() const
{
    auto *self = const_cast<MatchListModel *>(this);
    m_unreadable = true;
    m_pages.clear();
    QMetaObject::invokeMethod(self, &MatchListModel::clear, Qt::QueuedConnection);
}

} // namespace donguri
