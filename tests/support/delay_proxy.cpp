// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "delay_proxy.h"

#include "pg_cluster.h"

#include <QDir>
#include <QFile>

namespace donguri::testing {

DelayProxy::DelayProxy(const TestCluster &cluster, int delayMs)
{
    const QString socket =
        QDir(cluster.socketDirectory()).filePath(QStringLiteral(".s.PGSQL.5432"));
    m_process.start(QStringLiteral("python3"),
                    {QStringLiteral(DONGURI_DELAY_PROXY), socket, QString::number(delayMs),
                     m_dir.filePath(QStringLiteral("drop"))});
    if (!m_process.waitForReadyRead(10000))
        return;
    m_port = m_process.readLine().trimmed().toInt();
}

DelayProxy::~DelayProxy()
{
    m_process.closeWriteChannel(); // the proxy ends when its input closes
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString DelayProxy::uri(const QString &database) const
{
    return QStringLiteral("postgresql://donguri@127.0.0.1:%1/%2?sslmode=disable")
        .arg(m_port)
        .arg(database);
}

void DelayProxy::dropEverything(bool dropping)
{
    QFile flag(m_dir.filePath(QStringLiteral("drop")));
    if (dropping)
        flag.open(QIODevice::WriteOnly);
    else
        flag.remove();
}

} // namespace donguri::testing
