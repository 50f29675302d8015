// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pg_bouncer.h"

#include "pg_cluster.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace donguri::testing {

using namespace Qt::StringLiterals;

namespace {

bool isRoot()
{
    return geteuid() == 0;
}

// A port nobody listens on just now (the kernel's choice for a socket bound to port 0).
int freePort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(probe, reinterpret_cast<sockaddr *>(&address), length) == 0
        && getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(probe);
    return port;
}

QByteArray authenticationLines(const QStringList &users)
{
    QByteArray lines;
    for (const QString &user : users)
        lines += '"' + user.toUtf8() + "\" \"\"\n";
    return lines;
}

} // namespace

TestBouncer::TestBouncer(TestCluster &cluster, const Setup &setup)
    : m_cluster(cluster), m_setup(setup), m_dir(QDir::tempPath() + u"/donguri-bouncer-XXXXXX"_s)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(u"pgbouncer.out"_s), QIODevice::Append);
    m_port = freePort();
}

TestBouncer::~TestBouncer()
{
    stop();
    if (m_watcher > 0)
        ::kill(pid_t(m_watcher), SIGTERM);
}

bool TestBouncer::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

QString TestBouncer::uri(const QString &database, const QString &user) const
{
    return u"postgresql://%1@127.0.0.1:%2/%3?sslmode=disable"_s.arg(user).arg(m_port).arg(database);
}

// Every database of the cluster, as the client's own user; each user name must be in the
// authentication file even though nobody is asked for a password.
bool TestBouncer::writeConfiguration()
{
    const QString configuration = u"[databases]\n"
                                  "* = host=%1\n"
                                  "[pgbouncer]\n"
                                  "listen_addr = 127.0.0.1\n"
                                  "listen_port = %2\n"
                                  "unix_socket_dir =\n"
                                  "auth_type = trust\n"
                                  "auth_file = %3/users.txt\n"
                                  "pool_mode = transaction\n"
                                  "default_pool_size = %4\n"
                                  "max_client_conn = %5\n"
                                  "max_db_connections = %4\n"
                                  "logfile = %3/pgbouncer.log\n"
                                  "log_connections = 0\n"
                                  "log_disconnections = 0\n"_s.arg(m_cluster.socketDirectory())
                                      .arg(m_port)
                                      .arg(m_dir.path())
                                      .arg(m_setup.poolSize)
                                      .arg(m_setup.maxClients);
    QFile file(m_dir.filePath(u"pgbouncer.ini"_s));
    QFile users(m_dir.filePath(u"users.txt"_s));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(configuration.toUtf8()) < 0
        || !users.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || users.write(authenticationLines(m_setup.users)) < 0) {
        m_problem = u"cannot write the pgbouncer configuration"_s;
        return false;
    }
    return true;
}

bool TestBouncer::answers() const
{
    PGconn *conn = PQconnectdb(uri(u"postgres"_s, m_setup.users.value(0)).toUtf8().constData());
    const bool ok = PQstatus(conn) == CONNECTION_OK;
    PQfinish(conn);
    return ok;
}

bool TestBouncer::start()
{
    // Debian puts it in /usr/sbin, which an ordinary user's PATH may lack.
    QString program = QStandardPaths::findExecutable(u"pgbouncer"_s);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(u"pgbouncer"_s, {u"/usr/sbin"_s});
    if (program.isEmpty()) {
        m_problem = u"no pgbouncer (Debian's pgbouncer)"_s;
        return false;
    }
    if (!m_dir.isValid() || m_port == 0 || !writeConfiguration())
        return false;
    // A thousand clients need more open files than the usual 1024.
    const int files = m_setup.maxClients + 2 * m_setup.poolSize + 64;
    QString command =
        u"ulimit -n %1 2>/dev/null || ulimit -n \"$(ulimit -Hn)\"; exec "_s.arg(files);
    if (isRoot()) {
        QProcess::execute(u"chown"_s, {u"-R"_s, u"nobody:nogroup"_s, m_dir.path()});
        command += u"setpriv --reuid=nobody --regid=nogroup --clear-groups -- "_s;
    }
    // Quiet: it logs to its log file only.
    command += u"\"$1\" -q \"$2\""_s;
    m_process.start(
        u"sh"_s, {u"-c"_s, command, u"pgbouncer"_s, program, m_dir.filePath(u"pgbouncer.ini"_s)});
    if (!m_process.waitForStarted()) {
        m_problem = u"cannot start pgbouncer"_s;
        return false;
    }
    if (m_watcher > 0)
        ::kill(pid_t(m_watcher), SIGTERM); // the one of the run before
    watchOverThisProcess();
    const QDeadlineTimer deadline(10000);
    while (!answers()) {
        if (!isRunning() || deadline.hasExpired()) {
            QFile log(m_dir.filePath(u"pgbouncer.log"_s));
            log.open(QIODevice::ReadOnly);
            m_problem = u"pgbouncer did not come up: "_s + QString::fromLocal8Bit(log.readAll());
            stop();
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

bool TestBouncer::stop()
{
    if (!isRunning())
        return true;
    // SIGTERM: shut down at once, without waiting for clients to finish.
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    return true;
}

void TestBouncer::watchOverThisProcess()
{
    const QString script =
        u"while kill -0 \"$1\" 2>/dev/null && kill -0 \"$2\" 2>/dev/null; do sleep 1; done; "
        "kill -TERM \"$2\" 2>/dev/null"_s;
    QProcess watcher;
    watcher.setProgram(u"sh"_s);
    watcher.setArguments({u"-c"_s, script, u"watcher"_s,
                          QString::number(QCoreApplication::applicationPid()),
                          QString::number(m_process.processId())});
    watcher.setStandardInputFile(QProcess::nullDevice());
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(QProcess::nullDevice());
    watcher.startDetached(&m_watcher);
}

} // namespace donguri::testing
