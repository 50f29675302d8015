// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace donguri::testing {

struct WindowRun;

// Ways a knowledge base refuses what a window asks of it, each made for real on the run's store.
enum class KbFault {
    Folder,         // file: the path names a folder
    WrongShape,     // both: table 言葉 has lost its column リンク
    DiskFull,       // file: on a file system with no room left (made only where mounts are private)
    ReadOnlyFile,   // file: write-protected (only an ordinary user is held to it)
    ReadOnlyServer, // server: the database takes no writes
    ReadOnlyRole,   // server: the window's role may only read
};

struct KbFaultCase
{
    const char *name;
    KbFault fault;
    bool failsReads;  // a call-up fails too, not only a save
    QString sentence; // what the windows say about it; %1 is the knowledge base as it is named
};

// The faults that can be made on the store this test program runs on (DONGURI_TEST_STORE), as
// this user: root is held to no file's permissions, and only root in a mount namespace of the
// test's own (tests/support/with_private_mounts.sh) may mount a small file system to fill.
QList<KbFaultCase> kbFaultCases();

// Makes a fault on the run's knowledge base, after the entries the test has put in, before the
// window's first call; what it does to the process or the file is undone when it goes. The
// run's DatabasePath may be pointed elsewhere (a folder, another role).
class MadeKbFault
{
public:
    MadeKbFault(WindowRun &run, KbFault fault);
    ~MadeKbFault();
    MadeKbFault(const MadeKbFault &) = delete;
    MadeKbFault &operator=(const MadeKbFault &) = delete;

    // `sentence` as the windows say it about this knowledge base.
    QString said(const QString &sentence) const;

private:
    void moveOntoAFullDisk();

    WindowRun &m_run;
    QString m_protectedFile;
    QString m_mounted;
};

} // namespace donguri::testing
