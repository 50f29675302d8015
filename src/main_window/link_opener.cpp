#include "link_opener.h"

#include "kb/kb_location.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>

namespace donguri {

namespace {

bool isViewableDocument(const QFileInfo &file)
{
    // Anything with an execute bit is a program to someone; it is never opened from here.
    if (!file.isFile() || !file.isReadable()
        || (file.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)))
        return false;
    static const QStringList documents = {
        QStringLiteral("text/html"), QStringLiteral("application/xhtml+xml"),
        QStringLiteral("text/plain"), QStringLiteral("text/markdown"), QStringLiteral("text/csv")};
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    return documents.contains(type.name()) || type.name().startsWith(u"image/");
}

} // namespace

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
    if (!isViewableDocument(file))
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
