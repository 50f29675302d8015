// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/kb_error.h"

#include <QString>

namespace donguri {

// What is wrong with the knowledge base at `location`, in one short sentence a person can act
// on: it names the file (知識ファイル) or the server (サーバー, its password hidden) and says the
// cause in plain words. `detail` is a server's own reason for a refusal.
QString kbProblemSentence(KbCause cause, const QString &location, const QString &detail = {});

// The same for a write that failed: where the cause is not told apart, the sentence says that
// the knowledge base cannot be written to, rather than read.
QString kbWriteProblemSentence(KbCause cause, const QString &location, const QString &detail = {});

// The knowledge base as a sentence names it: a file by its path (the home folder as ~, a long
// path shortened in the middle), a server by its address without the password.
QString kbShownName(const QString &location);

} // namespace donguri
