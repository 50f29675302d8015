#pragma once

#include "clock.h"
#include "random_source.h"

#include <QList>

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

} // namespace donguri::testing

#include "file_chooser.h"
#include "link_opener.h"

#include <QUrl>

namespace donguri::testing {

class FakeBrowser final : public WebBrowser
{
public:
    void openUrl(const QUrl &url) override { opened << url; }
    QList<QUrl> opened;
};

// Answers each Open dialog with the next scripted answer (nullopt = the user cancels) and
// remembers how it was asked.
class ScriptedChooser final : public FileChooser
{
public:
    struct Call
    {
        QList<FileFilter> filters;
        QString startFile;
    };

    std::optional<QString> chooseFile(QWidget *, const QList<FileFilter> &filters,
                                      const QString &startFile) override
    {
        calls.append({filters, startFile});
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    QList<std::optional<QString>> answers;
    QList<Call> calls;
};

} // namespace donguri::testing
