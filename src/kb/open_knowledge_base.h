// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "knowledge_base.h"

#include <memory>

namespace donguri {

// Opens the knowledge base `location` names: a PostgreSQL database when it is a server address
// (see kb_location.h), otherwise a file, created with both tables when it does not exist. A
// file or database that holds something else is refused without being touched.
std::unique_ptr<KnowledgeBase> openKnowledgeBase(const QString &location,
                                                 const OpenOptions &options = {});

} // namespace donguri
