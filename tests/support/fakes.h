// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "main_window/clock.h"
#include "main_window/link_opener.h"
#include "main_window/random_source.h"

#include <QList>
#include <QUrl>

namespace donguri::testing {

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return time; }
    QDateTime time = QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15, 500));
};

// Hands out the given draws in order, then repeats the last one. Remembers the seed it got.
class ScriptedRandom final : public RandomSource
{
public:
    void seed(quint64 value) override { seeds << value; }
    double next() override
    {
        if (draws.isEmpty())
            return 0.0;
        const double u = draws.size() > 1 ? draws.takeFirst() : draws.first();
        return u;
    }

    QList<double> draws;
    QList<quint64> seeds;
};

class FakeBrowser final : public WebBrowser
{
public:
    void openUrl(const QUrl &url) override { opened << url; }
    QList<QUrl> opened;
};

} // namespace donguri::testing
