// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_command.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

using namespace donguri;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same name as the program's, so the per-user data folder is the one it uses.
    QCoreApplication::setApplicationName(QStringLiteral("donguri"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    // Rows go out as bytes; the messages, which share standard output, are flushed as they go.
    QFile data;
    data.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const kbtool::Console console{out, err, isatty(STDERR_FILENO) == 1, &data};
    return kbtool::runKbCommand(QCoreApplication::arguments(), DatabasePlaces::ofRunningProgram(),
                                console);
}
