// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace donguri::testing {

class TestCluster;

// A PgBouncer (Debian's pgbouncer) in front of a TestCluster, pooling by transaction as an
// office would run it: it listens on a free TCP port of the loopback address and reaches the
// cluster through its Unix socket, trusting everyone as the cluster does. Like the server it
// refuses to run as root, so a root test runs it as nobody. It is stopped when the object goes,
// and a watcher process stops it when the test program dies without getting there.
class TestBouncer
{
public:
    struct Setup
    {
        int poolSize = 20;                               // server connections per database and user
        int maxClients = 100;                            // client connections it takes
        QStringList users = {QStringLiteral("donguri")}; // the roles clients log in as
    };

    explicit TestBouncer(TestCluster &cluster) : TestBouncer(cluster, Setup{}) {}
    TestBouncer(TestCluster &cluster, const Setup &setup);
    ~TestBouncer();
    TestBouncer(const TestBouncer &) = delete;
    TestBouncer &operator=(const TestBouncer &) = delete;

    // Starts it, or again after stop() on the same port. False, with problem() saying why, on
    // failure.
    bool start();
    // Stops it at once, closing every client's connection, as a crash or a restart does.
    bool stop();
    bool isRunning() const;
    const QString &problem() const { return m_problem; }

    // The URI of `database` through the pool, as `user`.
    QString uri(const QString &database, const QString &user = QStringLiteral("donguri")) const;
    int port() const { return m_port; }

private:
    bool writeConfiguration();
    bool answers() const;
    void watchOverThisProcess();

    TestCluster &m_cluster;
    Setup m_setup;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    qint64 m_watcher = 0;
    QString m_problem;
};

} // namespace donguri::testing
