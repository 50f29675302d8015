// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "kb_problem_text.h"

#include "kb/kb_location.h"

#include <QDir>

namespace donguri {

using namespace Qt::StringLiterals;

namespace {

// Long enough for a path a person recognises, short enough for the balloon.
constexpr qsizetype ShownNameChars = 60;

QString fileSentence(KbCause cause, const QString &name)
{
    switch (cause) {
    case KbCause::Missing:
        return u"知識ファイル「%1」が見つかりません。"_s.arg(name);
    case KbCause::Damaged:
        return u"知識ファイル「%1」は壊れています。"_s.arg(name);
    case KbCause::Folder:
        return u"知識ファイルの場所「%1」はフォルダです。"_s.arg(name);
    case KbCause::NoReadPermission:
        return u"知識ファイル「%1」を読めません（読む権限がありません）。"_s.arg(name);
    case KbCause::NoWritePermission:
        return u"知識ファイル「%1」に書き込む権限がありません。"_s.arg(name);
    case KbCause::DiskFull:
        return u"ディスクがいっぱいです（知識ファイル「%1」）。"_s.arg(name);
    case KbCause::OtherProgram:
        return u"「%1」はほかのプログラムのデータベースです（CSV に書き出して donguri-kb import "
               u"で取り込めます）。"_s.arg(name);
    case KbCause::WrongShape:
    case KbCause::NoTables:
        return u"知識ファイル「%1」の表の形が違います。"_s.arg(name);
    case KbCause::Unreachable:
    case KbCause::Refused:
    case KbCause::Unknown:
        break;
    }
    return u"知識ファイル「%1」を読めません。"_s.arg(name);
}

QString serverSentence(KbCause cause, const QString &name, const QString &detail)
{
    switch (cause) {
    case KbCause::Missing:
        return u"サーバー「%1」に知識ベースが見つかりません。"_s.arg(name);
    case KbCause::NoReadPermission:
        return u"サーバー「%1」で読む権限がありません。"_s.arg(name);
    case KbCause::NoWritePermission:
        return u"サーバー「%1」で書き込む権限がありません。"_s.arg(name);
    case KbCause::DiskFull:
        return u"サーバー「%1」のディスクがいっぱいです。"_s.arg(name);
    case KbCause::OtherProgram:
        return u"サーバー「%1」のデータベースはほかのプログラムのものです。"_s.arg(name);
    case KbCause::WrongShape:
        return u"サーバー「%1」の表の形が違います。"_s.arg(name);
    case KbCause::NoTables:
        return u"サーバー「%1」に表がありません。"_s.arg(name);
    case KbCause::Unreachable:
        return u"サーバー「%1」につながりません。"_s.arg(name);
    case KbCause::Refused:
        if (!detail.isEmpty())
            return u"サーバー「%1」が拒否しました（%2）。"_s.arg(name, cutLongName(detail, 80));
        return u"サーバー「%1」が拒否しました。"_s.arg(name);
    case KbCause::Damaged:
    case KbCause::Folder:
    case KbCause::Unknown:
        break;
    }
    return u"サーバー「%1」の知識ベースを使えません。"_s.arg(name);
}

QString unknownWriteSentence(const QString &location, const QString &name)
{
    return isServerLocation(location) ? u"サーバー「%1」の知識ベースに書き込めません。"_s.arg(name)
                                      : u"知識ファイル「%1」に書き込めません。"_s.arg(name);
}

} // namespace

QString kbShownName(const QString &location)
{
    if (isServerLocation(location))
        return cutLongName(displayedLocation(location), ShownNameChars);
    QString path = QDir::cleanPath(location);
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != u"/" && path.startsWith(home + u'/'))
        path = u'~' + path.mid(home.size());
    return cutLongName(path, ShownNameChars);
}

QString kbProblemSentence(KbCause cause, const QString &location, const QString &detail)
{
    const QString name = kbShownName(location);
    return isServerLocation(location) ? serverSentence(cause, name, detail)
                                      : fileSentence(cause, name);
}

QString kbWriteProblemSentence(KbCause cause, const QString &location, const QString &detail)
{
    if (cause == KbCause::Unknown)
        return unknownWriteSentence(location, kbShownName(location));
    return kbProblemSentence(cause, location, detail);
}

} // namespace donguri
