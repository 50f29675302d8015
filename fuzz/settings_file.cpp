// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file's first line from arbitrary bytes: UTF-8 or Shift_JIS, any line ends, any
// garbage. Besides not crashing, the line must never hold a line break, must not depend on what
// follows it, and must read back the same once the program has written it out again (which is
// what happens to a file an older installation wrote in Shift_JIS).

#include "settings/settings_file.h"

#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>

using donguri::decodeFirstLine;
using donguri::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString line = decodeFirstLine(bytes);
    expect(!line.contains(u'\r') && !line.contains(u'\n'), "the first line holds a line break");

    const auto lineEnd =
        std::find_if(bytes.cbegin(), bytes.cend(), [](char c) { return c == '\r' || c == '\n'; });
    const QByteArray firstLineOnly = bytes.first(lineEnd - bytes.cbegin());
    expect(decodeFirstLine(firstLineOnly) == line, "what follows the first line changed it");

    // A leading U+FEFF is taken for a byte-order mark on reading, so such a line cannot survive.
    if (!line.startsWith(QChar(0xFEFF))) {
        expect(decodeFirstLine(line.toUtf8() + "\r\n") == line,
               "the line written back in UTF-8 reads differently");
    }
    return 0;
}
