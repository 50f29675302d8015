#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace donguri {

// Keeps one character per user on the desktop: a second start only asks the running program to
// come to the front, then ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another instance answered (and has been asked to come forward); otherwise this
    // one now listens for later starts.
    bool handOverToRunningInstance();

    // The name for this user: one character per user, not per machine.
    static QString nameForCurrentUser();

Q_SIGNALS:
    void activationRequested();

private:
    bool listen();

    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace donguri
