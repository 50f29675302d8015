// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_opener.h"

#include "kb/kb_location.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>

namespace donguri {

namespace {

// What the document window can show. Only the type counts, never the mode bits: files on disks
// formatted for another system, or on network shares, usually carry every bit.
bool isDocumentType(const QMimeType &type)
{
    static const QStringList documents = {
        QStringLiteral("text/html"), QStringLiteral("application/xhtml+xml"),
        QStringLiteral("text/plain"), QStringLiteral("text/markdown"), QStringLiteral("text/csv")};
    return documents.contains(type.name()) || type.name().startsWith(u"image/");
}

// Programs, scripts and desktop entries (which name a program to start): the desktop would run
// them rather than show them.
bool isProgramType(const QMimeType &type)
{
    static const QStringList programs = {
        QStringLiteral("application/x-executable"), // scripts of every language inherit it
        QStringLiteral("application/x-sharedlib"),
        QStringLiteral("application/x-ms-dos-executable"),
        QStringLiteral("application/x-msi"),
        QStringLiteral("application/x-desktop"),
    };
    return std::any_of(programs.cbegin(), programs.cend(),
                       [&](const QString &program) { return type.inherits(program); });
}

// A program's first bytes, whatever name a newer type database gives its kind: ELF, MZ, or a
// script's #!.
bool startsLikeAProgram(const QFileInfo &file)
{
    QFile contents(file.absoluteFilePath());
    if (!contents.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = contents.read(4);
    return start.startsWith("\x7f"
                            "ELF")
           || start.startsWith("MZ") || start.startsWith("#!");
}

} // namespace

bool isDocumentFile(const QFileInfo &file)
{
    if (!file.isFile() || !file.isReadable())
        return false;
    // The name decides what kind of document it is; the contents must not be a program that
    // merely carries a document's name.
    const QMimeDatabase types;
    return isDocumentType(types.mimeTypeForFile(file))
           && !isProgramType(types.mimeTypeForFile(file, QMimeDatabase::MatchContent))
           && !startsLikeAProgram(file);
}

LinkTarget classifyLink(const QString &link, const QString &baseFolder)
{
    if (link.isEmpty())
        return {};
    // Tolerant, as a browser's address bar is: "https://example.com/a b" still opens.
    const QUrl url(link, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https")
        return {url.isValid() && !url.host().isEmpty() ? LinkTarget::Kind::WebPage
                                                       : LinkTarget::Kind::Refused,
                url};

    QString path;
    if (scheme == u"file")
        path = url.toLocalFile();
    else if (scheme.isEmpty() || scheme.size() == 1 || !url.isValid())
        path = link; // a plain path (one letter before a colon is a drive, not a scheme)
    else
        return {LinkTarget::Kind::Refused, url};

    const QFileInfo file(QDir(baseFolder), path);
    if (!isDocumentFile(file))
        return {LinkTarget::Kind::Refused, QUrl::fromLocalFile(file.absoluteFilePath())};
    return {LinkTarget::Kind::LocalDocument, QUrl::fromLocalFile(file.canonicalFilePath())};
}

QString linkFolder(const QString &databasePath, const QString &settingsFile)
{
    return QFileInfo(isServerLocation(databasePath) ? settingsFile : databasePath).absolutePath();
}

void DesktopBrowser::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

} // namespace donguri
