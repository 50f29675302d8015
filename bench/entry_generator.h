// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRandomGenerator>
#include <QString>

namespace donguri::bench {

struct GeneratedEntry
{
    QString word;
    QString meaning;
    QString link; // empty for most entries
};

// Produces the same sequence of knowledge-base entries for the same seed, so every run of the
// benchmark and every machine measures the same file. The mix is chosen so that each kind of
// question has something to find: words starting with あい, ending with ん, containing ぐり,
// number-like words starting with 10, and words stored padded with blanks.
class EntryGenerator
{
public:
    static constexpr quint32 DefaultSeed = 20240601;

    explicit EntryGenerator(quint32 seed = DefaultSeed);

    GeneratedEntry next();

private:
    QString word();
    QString plainWord(int length);
    QString asciiWord(int length);
    QString meaning();
    bool chance(int percentTimesTen); // true with probability percentTimesTen / 1000
    int between(int lowest, int highest);
    QChar pick(QStringView characters);

    QRandomGenerator m_random;
    qint64 m_produced = 0;
};

} // namespace donguri::bench
