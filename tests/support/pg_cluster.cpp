// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pg_cluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <csignal>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace donguri::testing {

using namespace Qt::StringLiterals;

namespace {

// The newest server Debian installed; its programs are not on PATH.
QString serverPrograms()
{
    QStringList versions =
        QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    for (auto version = versions.crbegin(); version != versions.crend(); ++version) {
        const QString bin = u"/usr/lib/postgresql/%1/bin"_s.arg(*version);
        if (QFile::exists(bin + u"/pg_ctl"_s) && QFile::exists(bin + u"/initdb"_s))
            return bin;
    }
    return {};
}

bool isRoot()
{
    return geteuid() == 0;
}

// Everything local trusts, except members of "passworded", who must give their password.
const char *const HostBasedAccess = "local all +passworded scram-sha-256\n"
                                    "local all all trust\n";

// Never on a TCP port. Thrown-away clusters are fast over safe: nothing there has to outlive the
// test program.
const char *const ServerOptions = "-c listen_addresses=''";
const char *const ThrowawayOptions = " -c fsync=off -c full_page_writes=off"
                                     " -c synchronous_commit=off";
// A server given memory as one for a team's knowledge base would be.
const char *const DurableOptions = " -c shared_buffers=1GB";

} // namespace

TestCluster::TestCluster(const Setup &setup) : m_setup(setup), m_bin(serverPrograms()) {}

QString TestCluster::folder() const
{
    return m_setup.keptFolder.isEmpty() ? (m_dir ? m_dir->path() : QString()) : m_setup.keptFolder;
}

TestCluster::~TestCluster()
{
    if (m_running)
        stop();
    // Stopped as it should be: the watcher must not stop a server that the next program
    // starts in a kept folder.
    if (m_watcher > 0 && !m_running)
        ::kill(pid_t(m_watcher), SIGTERM);
}

TestCluster &TestCluster::shared()
{
    static TestCluster cluster;
    if (!cluster.isRunning() && !cluster.start())
        qFatal("cannot start the test's PostgreSQL cluster: %s", qPrintable(cluster.problem()));
    return cluster;
}

QString TestCluster::socketDirectory() const
{
    return folder() + u"/sock"_s;
}

// Runs a server program, as nobody when this is root.
bool TestCluster::run(const QStringList &command, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments = command;
    QString program = arguments.takeFirst();
    if (isRoot()) {
        arguments = QStringList{u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s,
                                u"--"_s, program}
                    + arguments;
        program = u"setpriv"_s;
    }
    process.setWorkingDirectory(folder());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    const QString said = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = said;
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    m_problem = u"%1 failed: %2"_s.arg(command.join(u' '), said);
    return false;
}

bool TestCluster::initialize()
{
    if (m_bin.isEmpty()) {
        m_problem = u"no PostgreSQL server under /usr/lib/postgresql (Debian's postgresql)"_s;
        return false;
    }
    if (m_setup.keptFolder.isEmpty())
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/donguri-pg-XXXXXX"_s);
    if ((m_dir && !m_dir->isValid()) || !QDir().mkpath(socketDirectory())) {
        m_problem = u"cannot make a folder for the cluster"_s;
        return false;
    }
    if (isRoot()) {
        QProcess::execute(u"chown"_s, {u"-R"_s, u"nobody:nogroup"_s, folder()});
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                            | QFile::ExeGroup | QFile::ExeOther);
    }
    watchOverThisProcess();
    // A kept cluster from an earlier run is started as it is.
    if (!QFile::exists(folder() + u"/data/PG_VERSION"_s) && !createCluster())
        return false;
    m_initialized = true;
    return true;
}

bool TestCluster::createCluster()
{
    if (!run({m_bin + u"/initdb"_s, u"-D"_s, folder() + u"/data"_s, u"-U"_s, u"donguri"_s,
              u"--auth=trust"_s, u"-E"_s, u"UTF8"_s, u"--locale=C.UTF-8"_s, u"--no-sync"_s}))
        return false;
    QFile access(folder() + u"/data/pg_hba.conf"_s);
    if (!access.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || access.write(HostBasedAccess) < 0) {
        m_problem = u"cannot write pg_hba.conf"_s;
        return false;
    }
    return true;
}

// A detached shell that waits for this process to end and then stops the server and removes
// its folder (unless it is kept), so that a test that crashes or is killed leaves no server
// behind. After a normal end it finds both gone already.
void TestCluster::watchOverThisProcess()
{
    const QString stopCommand = isRoot() ? u"setpriv --reuid=nobody --regid=nogroup "
                                           "--clear-groups -- \"$2\"/pg_ctl"_s
                                         : u"\"$2\"/pg_ctl"_s;
    const QString script = u"while kill -0 \"$1\" 2>/dev/null; do sleep 1; done; "_s + stopCommand
                           + u" -D \"$3\"/data -m immediate -w stop >/dev/null 2>&1; "_s
                           + (m_setup.keptFolder.isEmpty() ? u"rm -rf \"$3\""_s : u"true"_s);
    QProcess watcher;
    watcher.setProgram(u"sh"_s);
    watcher.setArguments({u"-c"_s, script, u"watcher"_s,
                          QString::number(QCoreApplication::applicationPid()), m_bin, folder()});
    watcher.setStandardInputFile(QProcess::nullDevice());
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(QProcess::nullDevice());
    watcher.startDetached(&m_watcher);
}

bool TestCluster::start()
{
    if (!m_initialized && !initialize())
        return false;
    const QString options =
        QString::fromLatin1(ServerOptions) + u" -c max_connections=%1"_s.arg(m_setup.maxConnections)
        + QString::fromLatin1(m_setup.durable ? DurableOptions : ThrowawayOptions);
    m_running = run({m_bin + u"/pg_ctl"_s, u"-D"_s, folder() + u"/data"_s, u"-l"_s,
                     folder() + u"/server.log"_s, u"-w"_s, u"-o"_s,
                     u"-k %1 %2"_s.arg(socketDirectory(), options), u"start"_s});
    if (!m_running)
        return false;
    return exec(u"postgres"_s,
                u"DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'kagi') THEN "
                "CREATE ROLE passworded NOLOGIN; "
                "CREATE ROLE kagi LOGIN PASSWORD '%1' IN ROLE passworded; END IF; END $$"_s.arg(
                    QString::fromLatin1(Password)));
}

bool TestCluster::stop()
{
    if (!m_running)
        return true;
    m_running = !run({m_bin + u"/pg_ctl"_s, u"-D"_s, folder() + u"/data"_s, u"-m"_s, u"fast"_s,
                      u"-w"_s, u"stop"_s});
    return !m_running;
}

QString databaseOf(const QString &uri)
{
    const qsizetype start = uri.indexOf(u":///") + 4;
    return uri.mid(start, uri.indexOf(u'?') - start);
}

QString TestCluster::uri(const QString &database, const QString &user) const
{
    return u"postgresql:///%1?host=%2&user=%3"_s.arg(database, socketDirectory(), user);
}

QString TestCluster::newDatabase()
{
    const QString name = u"kb%1"_s.arg(++m_databases);
    if (!exec(u"postgres"_s, u"CREATE DATABASE %1"_s.arg(name)))
        qFatal("%s", qPrintable(m_problem));
    return uri(name);
}

bool TestCluster::hasDatabase(const QString &database)
{
    return value(u"postgres"_s,
                 u"SELECT count(*) FROM pg_database WHERE datname = '%1'"_s.arg(database))
           == u"1"_s;
}

bool TestCluster::exec(const QString &database, const QString &sql)
{
    PGconn *conn = PQconnectdb(uri(database).toUtf8().constData());
    PGresult *result = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok)
        m_problem = u"%1: %2"_s.arg(sql, QString::fromUtf8(PQerrorMessage(conn)));
    PQclear(result);
    PQfinish(conn);
    return ok;
}

QString TestCluster::value(const QString &database, const QString &sql)
{
    PGconn *conn = PQconnectdb(uri(database).toUtf8().constData());
    PGresult *result = PQexec(conn, sql.toUtf8().constData());
    QString found;
    if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
        found = QString::fromUtf8(PQgetvalue(result, 0, 0));
    else
        m_problem = u"%1: %2"_s.arg(sql, QString::fromUtf8(PQerrorMessage(conn)));
    PQclear(result);
    PQfinish(conn);
    return found;
}

SilentHost::SilentHost()
{
    m_socket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // The kernel completes each connection on its own; nobody ever accepts or answers.
    if (bind(m_socket, reinterpret_cast<sockaddr *>(&address), length) != 0
        || listen(m_socket, 16) != 0
        || getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        qFatal("cannot listen on the loopback address");
    m_port = ntohs(address.sin_port);
}

SilentHost::~SilentHost()
{
    close(m_socket);
}

QString SilentHost::uri() const
{
    return u"postgresql://127.0.0.1:%1/donguri?user=donguri"_s.arg(m_port);
}

} // namespace donguri::testing
