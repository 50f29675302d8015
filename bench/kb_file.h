// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace donguri::bench {

class RawConnection;

// The knowledge base of `entries` generated entries kept in `directory` as kb-<entries>.mdb,
// generated on first use and reused afterwards. Delete the files after changing the generator.
QString cachedKnowledgeBase(const QString &directory, int entries);

// Deletes what the timed writes added to a cached file (rows after the generated ones), so every
// run starts from the file as generated, even after an interrupted run.
void removeBenchmarkRows(RawConnection &connection, int entries);

} // namespace donguri::bench
