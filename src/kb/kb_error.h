#pragma once

#include <QString>

#include <stdexcept>

namespace donguri {

// Every failure of the knowledge base (file missing or not ours, disk full, locked, a row that
// is not there) reaches the caller as this exception; nothing is swallowed inside the store.
class KbError : public std::runtime_error
{
public:
    explicit KbError(const QString &message);

    QString message() const { return QString::fromUtf8(what()); }
};

} // namespace donguri
