// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

namespace donguri {

// The IDs of the entries a pattern matches, in ID order: at most one integer per match, and none
// at all when the matches are every ID of an unbroken run (a lone `*` on a knowledge base nobody
// deleted from).
class MatchIds
{
public:
    MatchIds() = default;
    // Every ID from `first` to `first + count - 1`.
    static MatchIds run(qint32 first, qint64 count);
    // These IDs, in any order.
    static MatchIds of(std::vector<qint32> ids);

    qint64 size() const { return m_ids.empty() ? m_runLength : qint64(m_ids.size()); }
    bool isEmpty() const { return size() == 0; }
    qint32 at(qint64 row) const { return m_ids.empty() ? qint32(m_first + row) : m_ids[row]; }

private:
    std::vector<qint32> m_ids;
    qint32 m_first = 0;
    qint64 m_runLength = 0;
};

// Whether the IDs are each one more than the one before: such a list is read as one range.
bool isUnbrokenRun(const std::vector<qint32> &ids);

// Puts IDs in ascending order; a radix sort, since a pass may collect a million of them in index
// order.
void sortIds(std::vector<qint32> &ids);

} // namespace donguri
