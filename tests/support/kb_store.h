// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb/knowledge_base.h"

#include <QTemporaryDir>

#include <memory>

namespace donguri::testing {

// The knowledge bases a test can run against: a file in a temporary folder, or a database on the
// test program's private PostgreSQL cluster. The knowledge-base tests are registered twice, the
// second time with DONGURI_TEST_STORE=server, so every behaviour is checked on both stores.
class TestStore
{
public:
    enum class Kind { File, Server };

    // The kind DONGURI_TEST_STORE names ("server" or, by default, "file").
    static Kind kindFromEnvironment();

    explicit TestStore(Kind kind);

    // Makes a new, empty location (nothing created there yet) and makes it the current one.
    void fresh();
    const QString &location() const { return m_location; }
    Kind kind() const { return m_kind; }
    bool isServer() const { return m_kind == Kind::Server; }

    // A new handle on the current location, as the program opens it.
    std::unique_ptr<KnowledgeBase> open() const;
    // Runs SQL on the current location directly, as a hand edit would. Quote "ID": both
    // SQLite and PostgreSQL read it so. Fails the current test when the SQL fails.
    void exec(const char *sql) const;
    // The first column of the first row as a number; -1 when there is none.
    qint64 number(const char *sql) const;

private:
    Kind m_kind;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_location;
};

} // namespace donguri::testing
