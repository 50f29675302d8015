// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_run.h"

#include "timing.h"

#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace donguri::bench {

using namespace Qt::StringLiterals;

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

qint64 residentKib()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

namespace {

// Argument and environment strings that stay alive for execve.
std::vector<char *> pointersTo(std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    for (std::string &s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

// fork and wait4 rather than QProcess: only wait4 tells the child's peak memory.
ProcessRun runProcess(const QString &program, const QStringList &arguments,
                      const QStringList &extraEnvironment)
{
    std::vector<std::string> argv{program.toStdString()};
    for (const QString &argument : arguments)
        argv.push_back(argument.toStdString());
    std::vector<std::string> env;
    for (char **variable = environ; *variable; ++variable)
        env.emplace_back(*variable);
    for (const QString &variable : extraEnvironment)
        env.push_back(variable.toStdString());
    std::vector<char *> argp = pointersTo(argv);
    std::vector<char *> envp = pointersTo(env);

    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("cannot make a pipe");
    const qint64 started = monotonicNs();
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("cannot start " + argv[0]);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    ProcessRun run;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            run.output.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {}
    run.ns = monotonicNs() - started;
    run.peakRssKib = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed (status " + std::to_string(status) + ")");
    return run;
}

void printBench(const QString &operation, int entries, const Summary &measured,
                const std::optional<Summary> &baseline, int decimals)
{
    QTextStream line(stdout);
    line << u"BENCH %1 %2 %3 %4"_s.arg(operation)
                .arg(entries)
                .arg(measured.median, 0, 'f', decimals)
                .arg(measured.p99, 0, 'f', decimals);
    if (baseline)
        line << u" %1 %2"_s.arg(baseline->median, 0, 'f', decimals)
                    .arg(measured.median / baseline->median, 0, 'f', 2);
    else
        line << u" - -"_s;
    line << Qt::endl;
}

} // namespace donguri::bench
