// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"

#include <QRandomGenerator>
#include <QString>

#include <optional>

// A plain in-memory model of the knowledge base and a generator of random operations' inputs,
// for checking the real store over long random runs.
namespace donguri::testing {

struct ModelEntry
{
    qint32 id = 0;
    QString word;
    QString meaning;
    QString link;
};

// The model: every entry as last written, in the order they were added (which is ID order).
class Model
{
public:
    void add(qint32 id, const QString &word, const QString &meaning, const QString &link);
    // False when no entry has that ID.
    bool update(qint32 id, const QString &word, const QString &meaning, const QString &link);

    std::optional<qint32> findWord(const QString &word) const;
    QList<WordRow> listMatches(const QString &pattern) const;

    const ModelEntry *entry(qint32 id) const;

    const QList<ModelEntry> &entries() const { return m_entries; }
    qint32 lastId() const { return m_entries.isEmpty() ? 0 : m_entries.constLast().id; }

private:
    QList<ModelEntry> m_entries;
};

// Random inputs for the operations, built from characters that have tripped up text handling
// somewhere, and mostly drawn from what the model holds so that lookups and patterns hit.
class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    int below(int bound) { return int(m_random.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }

    QString randomCharacters(qsizetype count);
    QString longText();
    QString blanks(int most) { return QString(1 + below(most), u' '); }
    QString freshWord();
    // A word for adding or updating: often one already stored, as it stands or with other
    // trailing blanks, so that lookups have to pick the first of equal words.
    QString word(const Model &model);
    QString meaning();
    QString link();
    const QString &storedWord(const Model &model);
    qint32 existingId(const Model &model);
    // An ID no entry has: before the first, past the last, or far out.
    qint32 missingId(const Model &model);
    QString lookup(const Model &model);
    // Patterns are mostly cut from stored words, so that they match something.
    QString pattern(const Model &model);

private:
    QString freePattern();
    QString patternFrom(const QString &stored);
    // The word with stars put between its characters here and there, some in place of one.
    QString sprinkledWithStars(const QString &word);
    static QStringList splitCharacters(const QString &word);

    QRandomGenerator m_random;
};

} // namespace donguri::testing
