// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_location.h"

#include <QRegularExpression>
#include <QUrl>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

const QString Hidden = u"***"_s;

// Where a URI writes a password: after the user name, or as a parameter.
const QRegularExpression &inUserInfo()
{
    static const QRegularExpression pattern(uR"(^[a-z]+://[^/?#@:]*:([^/?#@]*)@)"_s);
    return pattern;
}
const QRegularExpression &inQuery()
{
    static const QRegularExpression pattern(uR"([?&]password=([^&#]*))"_s);
    return pattern;
}

// The password as the URI writes it (percent-encoded or not), when it has one.
QStringList passwordSpellings(const QString &location)
{
    if (!isServerLocation(location))
        return {};
    QStringList spellings;
    for (const QRegularExpression *pattern : {&inUserInfo(), &inQuery()}) {
        QRegularExpressionMatchIterator found = pattern->globalMatch(location);
        while (found.hasNext()) {
            const QString written = found.next().captured(1);
            if (written.isEmpty())
                continue;
            spellings << written << QUrl::fromPercentEncoding(written.toUtf8());
        }
    }
    // Longest first, so a spelling that contains another is replaced whole.
    std::sort(spellings.begin(), spellings.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    spellings.removeDuplicates();
    return spellings;
}

} // namespace

bool isServerLocation(const QString &location)
{
    return location.startsWith(u"postgresql://") || location.startsWith(u"postgres://");
}

QString displayedLocation(const QString &location)
{
    if (!isServerLocation(location))
        return location;
    // Each place that holds a password is replaced, not every text that equals it, so a short
    // password leaves the rest of the address readable.
    QString shown = location;
    for (const QRegularExpression *pattern : {&inQuery(), &inUserInfo()}) {
        QRegularExpressionMatchIterator found = pattern->globalMatch(location);
        QList<QRegularExpressionMatch> matches;
        while (found.hasNext())
            matches.prepend(found.next()); // from the end, so earlier offsets stay valid
        for (const QRegularExpressionMatch &match : matches) {
            if (match.capturedLength(1) > 0)
                shown.replace(match.capturedStart(1), match.capturedLength(1), Hidden);
        }
    }
    return shown;
}

QString withoutPassword(const QString &text, const QString &location)
{
    QString shown = text;
    for (const QString &password : passwordSpellings(location))
        shown.replace(password, Hidden);
    return shown;
}

} // namespace donguri
