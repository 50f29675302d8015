// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kb_tool/kb_command.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace donguri::testing {

// donguri-kb run in the test's own process, with program folders of its own in a temporary
// folder and its output caught in strings. A test's init() calls begin() for a new run.
class KbCommandRun
{
protected:
    void begin()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(m_dir->path()).mkpath(QStringLiteral("program"));
        m_places = {{path(QStringLiteral("program"))}, {path(QStringLiteral("user"))}};
        m_db = path(QStringLiteral("kb.mdb"));
        m_out.clear();
        m_err.clear();
        m_data.clear();
        m_terminal = false;
        m_limits = {};
    }

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // The command's exit status; what it wrote is added to m_out and m_err, and the bytes
    // "export -" writes to m_data.
    int run(const QStringList &arguments)
    {
        QTextStream out(&m_out);
        QTextStream err(&m_err);
        QBuffer data(&m_data);
        data.open(QIODevice::WriteOnly | QIODevice::Append);
        return kbtool::runKbCommand(QStringList{QStringLiteral("donguri-kb")} + arguments, m_places,
                                    {out, err, m_terminal, &data}, m_limits);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    DatabasePlaces m_places;
    QString m_db; // a knowledge base for the test's commands, not yet made
    QString m_out;
    QString m_err;
    QByteArray m_data;
    bool m_terminal = false; // whether the error output counts as a terminal
    kbtool::Limits m_limits;
};

} // namespace donguri::testing
