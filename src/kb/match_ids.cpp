// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "match_ids.h"

#include <algorithm>
#include <vector>

namespace donguri {

MatchIds MatchIds::run(qint32 first, qint64 count)
{
    MatchIds ids;
    ids.m_first = first;
    ids.m_runLength = count;
    return ids;
}

MatchIds MatchIds::of(std::vector<qint32> ids)
{
    sortIds(ids);
    ids.shrink_to_fit();
    MatchIds matches;
    matches.m_ids = std::move(ids);
    return matches;
}

bool isUnbrokenRun(const std::vector<qint32> &ids)
{
    for (size_t i = 1; i < ids.size(); ++i) {
        if (qint64(ids[i]) != qint64(ids[0]) + qint64(i))
            return false;
    }
    return !ids.empty();
}

void sortIds(std::vector<qint32> &ids)
{
    constexpr size_t SmallEnough = 4096;
    if (ids.size() < SmallEnough) {
        std::sort(ids.begin(), ids.end());
        return;
    }
    // Two passes of 16 bits over the IDs with the sign bit flipped, so negative IDs (only a hand
    // edit makes them) still come first.
    const auto key = [](qint32 id, int shift) {
        return (quint32(id) ^ 0x80000000u) >> shift & 0xFFFFu;
    };
    std::vector<qint32> buffer(ids.size());
    for (const int shift : {0, 16}) {
        std::vector<size_t> start(65537);
        for (const qint32 id : ids)
            ++start[key(id, shift) + 1];
        for (size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        for (const qint32 id : ids)
            buffer[start[key(id, shift)]++] = id;
        ids.swap(buffer);
    }
}

} // namespace donguri
