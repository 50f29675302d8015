// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace donguri::testing {

class TestCluster;

// A slow network between the program and a test cluster (delay_proxy.py): every packet waits
// `delayMs` each way, and dropEverything() makes the network go silent, as when a VPN vanishes
// or a cable is pulled, until it is switched back.
class DelayProxy
{
public:
    DelayProxy(const TestCluster &cluster, int delayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    bool isRunning() const { return m_port > 0; }
    // The URI of `database` of the cluster, reached through the proxy.
    QString uri(const QString &database) const;
    void dropEverything(bool dropping);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace donguri::testing
