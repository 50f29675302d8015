// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>

namespace donguri::testing {

// The first bytes of a Linux program (ELF, an executable for x86-64): enough for its type to
// be recognised by its contents.
inline QByteArray linuxProgramBytes()
{
    QByteArray elf("\x7f"
                   "ELF\x02\x01\x01",
                   7);
    elf.append(9, '\0');
    elf.append("\x02\x00\x3e\x00", 4); // e_type: executable; e_machine: x86-64
    elf.append(44, '\0');
    return elf;
}

// The first bytes of an MZ (DOS-style) program.
inline QByteArray windowsProgramBytes()
{
    return QByteArray("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00", 16);
}

inline QByteArray pictureBytes()
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}

// Every permission bit, as files on a disk formatted for another system or a network share carry.
constexpr QFile::Permissions EveryBit = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                        | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

} // namespace donguri::testing
