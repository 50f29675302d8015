// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_location.h"

#include <QList>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <libpq-fe.h>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

const QString Hidden = u"***"_s;

// Where a password is written in a location: the span of the text that holds it, and the
// password itself as the client library reads it.
struct PasswordSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString value;
};

bool isUri(const QString &location)
{
    return location.startsWith(u"postgresql://") || location.startsWith(u"postgres://");
}

// The user information of a URI ends at the first '@' or '/', as the client library reads it,
// so a password may hold '?', '#' or ':'.
const QRegularExpression &uriUserInfo()
{
    static const QRegularExpression pattern(uR"(^postgres(?:ql)?://([^@/]*)@)"_s);
    return pattern;
}

QString percentDecoded(QStringView text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

QList<PasswordSpan> uriPasswords(const QString &uri)
{
    QList<PasswordSpan> found;
    qsizetype queryFrom = 0;
    const QRegularExpressionMatch userInfo = uriUserInfo().match(uri);
    if (userInfo.hasMatch()) {
        const qsizetype colon = userInfo.captured(1).indexOf(u':');
        if (colon >= 0) {
            const qsizetype start = userInfo.capturedStart(1) + colon + 1;
            const qsizetype length = userInfo.capturedEnd(1) - start;
            found.append({start, length, percentDecoded(QStringView(uri).sliced(start, length))});
        }
        queryFrom = userInfo.capturedEnd(0);
    }
    const qsizetype query = uri.indexOf(u'?', queryFrom);
    if (query < 0)
        return found;
    // Parameters are separated by '&'; their names may be percent-encoded too.
    for (qsizetype from = query + 1; from <= uri.size();) {
        qsizetype end = uri.indexOf(u'&', from);
        if (end < 0)
            end = uri.size();
        const QStringView parameter = QStringView(uri).sliced(from, end - from);
        const qsizetype equals = parameter.indexOf(u'=');
        if (equals >= 0 && percentDecoded(parameter.first(equals)) == u"password") {
            const qsizetype start = from + equals + 1;
            found.append({start, end - start, percentDecoded(parameter.sliced(equals + 1))});
        }
        from = end + 1;
    }
    return found;
}

bool isBlank(QChar c)
{
    return c.isSpace();
}

// Reads keyword/value text the way the client library does: `keyword = value`, where a value
// is a word or single-quoted, and a backslash takes the next character as it is. A value whose
// quote is never closed runs to the end, so even a broken location shows no password.
QList<PasswordSpan> keywordPasswords(const QString &text)
{
    QList<PasswordSpan> found;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && isBlank(text[i]))
            ++i;
        const qsizetype keywordStart = i;
        while (i < n && !isBlank(text[i]) && text[i] != u'=')
            ++i;
        const QStringView keyword = QStringView(text).sliced(keywordStart, i - keywordStart);
        while (i < n && isBlank(text[i]))
            ++i;
        if (i >= n || text[i] != u'=')
            break; // not keyword/value text from here on
        ++i;
        while (i < n && isBlank(text[i]))
            ++i;
        const qsizetype valueStart = i;
        QString value;
        const bool quoted = i < n && text[i] == u'\'';
        if (quoted)
            ++i;
        while (i < n) {
            if (text[i] == u'\\' && i + 1 < n) {
                value += text[i + 1];
                i += 2;
                continue;
            }
            if (quoted ? text[i] == u'\'' : isBlank(text[i]))
                break;
            value += text[i++];
        }
        if (quoted && i < n)
            ++i; // the closing quote
        if (keyword == u"password")
            found.append({valueStart, i - valueStart, value});
    }
    return found;
}

bool isKeywordValueText(const QString &location)
{
    if (!location.contains(u'='))
        return false;
    const QByteArray text = location.toUtf8();
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(text.constData(), &error);
    PQfreemem(error);
    if (!options)
        return false;
    PQconninfoFree(options);
    return true;
}

// Keyword/value text the client library refuses (a quote never closed) is still searched: it
// is shown as a file name then, and must not show a password either.
QList<PasswordSpan> passwordsIn(const QString &location)
{
    if (isUri(location))
        return uriPasswords(location);
    if (location.contains(u'='))
        return keywordPasswords(location);
    return {};
}

} // namespace

bool isServerLocation(const QString &location)
{
    return isUri(location) || isKeywordValueText(location);
}

bool holdsPassword(const QString &location)
{
    return !passwordsIn(location).isEmpty();
}

QString displayedLocation(const QString &location)
{
    // Each place that holds a password is replaced, not every text that equals it, so a short
    // password leaves the rest of the address readable.
    QList<PasswordSpan> spans = passwordsIn(location);
    std::sort(spans.begin(), spans.end(),
              [](const PasswordSpan &a, const PasswordSpan &b) { return a.start > b.start; });
    QString shown = location;
    for (const PasswordSpan &span : spans) {
        if (span.length > 0)
            shown.replace(span.start, span.length, Hidden);
    }
    return shown;
}

QString cutLongName(const QString &name, qsizetype limit)
{
    if (name.size() <= limit)
        return name;
    // The end of a path is its file name, the part worth keeping most; the start says where.
    qsizetype tail = (limit - 1) / 2;
    qsizetype head = limit - 1 - tail;
    if (name[head - 1].isHighSurrogate())
        --head;
    if (name[name.size() - tail].isLowSurrogate())
        --tail;
    return name.first(head) + u'…' + name.last(tail);
}

QString shownLocation(const QString &location)
{
    return cutLongName(displayedLocation(location));
}

QString withoutPassword(const QString &text, const QString &location)
{
    QStringList spellings;
    for (const PasswordSpan &span : passwordsIn(location)) {
        if (span.length == 0)
            continue;
        const QString written = location.sliced(span.start, span.length);
        spellings << written << span.value;
        if (written.startsWith(u'\'')) { // and as written between the quotes
            const QString inside = written.sliced(1);
            spellings << (inside.endsWith(u'\'') ? inside.chopped(1) : inside);
        }
    }
    spellings.removeAll(QString());
    // Longest first, so a spelling that contains another is replaced whole.
    std::sort(spellings.begin(), spellings.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    QString shown = text;
    for (const QString &password : spellings)
        shown.replace(password, Hidden);
    return shown;
}

} // namespace donguri
