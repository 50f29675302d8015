// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace donguri {

// A session that logs out, a shutdown, or Ctrl+C in a terminal ends the program with a signal
// (SIGTERM, SIGHUP, SIGINT), which by default kills it where it stands. Caught here, each
// becomes an ordinary end instead, `requested`: the knowledge base is then closed cleanly, its
// last writes merged into the file and nothing left beside it.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void requested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace donguri
