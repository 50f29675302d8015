// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace donguri::testing {

// A private, throwaway PostgreSQL cluster for one test program: initdb into a temporary folder,
// the server on a Unix socket in that folder only (no TCP port), never a server the machine
// may already run. The server refuses to run as root, so a root test runs it as nobody. It is
// stopped and its folder removed when the object goes; a watcher process does the same when
// the test program dies without getting there (a crash, a timeout's kill).
//
// Roles: donguri (superuser, no password), and kagi, which must give the password
// TestCluster::Password (scram-sha-256), for the tests of passwords.
// The database a URI made by TestCluster::uri() names.
QString databaseOf(const QString &uri);

class TestCluster
{
public:
    static constexpr const char *Password = "kagi-no-himitsu";

    // How a cluster is kept: thrown away (the tests), or in a folder that outlives the program
    // and with the server's usual durability (the benchmark, which reuses its databases).
    struct Setup
    {
        QString keptFolder;
        bool durable = false;
        int maxConnections = 60;
    };

    TestCluster() : TestCluster(Setup{}) {}
    explicit TestCluster(const Setup &setup);
    ~TestCluster();
    TestCluster(const TestCluster &) = delete;
    TestCluster &operator=(const TestCluster &) = delete;

    // Starts it (the first time after initdb). False, with problem() saying why, on failure.
    bool start();
    // A fast shutdown, as an administrator restarting the server does.
    bool stop();
    bool isRunning() const { return m_running; }
    const QString &problem() const { return m_problem; }

    // A new empty database owned by donguri; its URI.
    QString newDatabase();
    QString uri(const QString &database, const QString &user = QStringLiteral("donguri")) const;
    // Runs SQL as donguri in `database`; false (problem() says why) when it fails.
    bool exec(const QString &database, const QString &sql);
    // The first value of the first row, as text; empty when there is none or it fails.
    QString value(const QString &database, const QString &sql);

    QString socketDirectory() const;
    // Whether `database` exists.
    bool hasDatabase(const QString &database);

    // The shared cluster of this test program, started on first use and stopped at exit.
    static TestCluster &shared();

private:
    bool initialize();
    bool createCluster();
    bool run(const QStringList &command, QString *output = nullptr);
    void watchOverThisProcess();

    QString folder() const;

    Setup m_setup;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_bin;
    bool m_initialized = false;
    bool m_running = false;
    int m_databases = 0;
    qint64 m_watcher = 0;
    QString m_problem;
};

// A TCP port on this computer that takes connections and never says a word: a server that
// hangs, or a host whose answers are lost on the way.
class SilentHost
{
public:
    SilentHost();
    ~SilentHost();
    SilentHost(const SilentHost &) = delete;
    SilentHost &operator=(const SilentHost &) = delete;

    QString uri() const;

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace donguri::testing
