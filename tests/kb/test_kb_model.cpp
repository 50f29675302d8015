// SPDX-FileCopyrightText: 2026 Donguri developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The knowledge base against a plain in-memory model: long random runs of adds, updates, exact
// lookups, pattern counts and lists and read-backs, with words full of characters that have
// tripped up text handling somewhere. Every answer must equal the model's.
//
// DONGURI_MODEL_SEED=N repeats the run with seed N; DONGURI_MODEL_SEED=random picks a fresh seed
// and prints it. DONGURI_MODEL_STEPS=N runs N operations instead of the usual number. With
// DONGURI_TEST_STORE=server the same run goes to a PostgreSQL database, which cannot hold U+0000:
// there every write of text that holds it must be refused and change nothing.

#include "kb/kb_error.h"
#include "support/kb_model.h"
#include "support/kb_store.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <optional>

using namespace donguri;
using namespace donguri::testing;
using namespace Qt::StringLiterals;

namespace donguri {
bool operator==(const WordRow &a, const WordRow &b)
{
    return a.id == b.id && a.word == b.word;
}
} // namespace donguri

namespace {

constexpr quint32 DefaultSeed = 20240611;
constexpr int DefaultSteps = 10000;

// Text for a failure message: short, with every character that would not show plainly spelt
// out as \u{…}, so trailing blanks, NUL and combining marks can be seen.
QString describe(const QString &text)
{
    constexpr qsizetype Shown = 40;
    QString out = u"\""_s;
    const QList<uint> codePoints = text.left(Shown).toUcs4();
    for (const uint c : codePoints) {
        if (c > u' ' && c < 0x7f && c != u'"' && c != u'\\')
            out += QChar(char16_t(c));
        else
            out += u"\\u{%1}"_s.arg(c, 0, 16);
    }
    out += u"\""_s;
    if (text.size() > Shown)
        out += u"…(%1 code units)"_s.arg(text.size());
    return out;
}

QString describe(const std::optional<qint32> &id)
{
    return id ? QString::number(*id) : u"none"_s;
}

QString describe(const QList<WordRow> &rows)
{
    QStringList items;
    for (const WordRow &row : rows)
        items << u"%1 %2"_s.arg(row.id).arg(describe(row.word));
    return u"[%1]"_s.arg(items.join(u", "_s));
}

// One run: random operations on a fresh knowledge base and on the model side by side. Returns
// what went wrong first, or nothing when every answer agreed.
class ModelRun
{
public:
    ModelRun(quint32 seed, std::unique_ptr<KnowledgeBase> kb, bool holdsNul)
        : m_seed(seed), m_kb(std::move(kb)), m_holdsNul(holdsNul), m_generate(seed)
    {
    }

    std::optional<QString> run(int steps)
    {
        for (m_step = 1; m_step <= steps; ++m_step) {
            if (!oneStep())
                return m_failure;
        }
        return std::nullopt;
    }

private:
    bool oneStep()
    {
        const int kind = m_generate.below(100);
        if (kind < 25 || m_model.entries().isEmpty())
            return add();
        if (kind < 38)
            return update();
        if (kind < 58)
            return findWord();
        if (kind < 72)
            return countMatches();
        if (kind < 86)
            return listMatches();
        return readBack(m_generate.chance(80) ? m_generate.existingId(m_model)
                                              : m_generate.missingId(m_model));
    }

    // A store that cannot hold NUL still gets text without it most of the time, long texts
    // included, so that it is checked as thoroughly.
    QString storable(QString text)
    {
        if (!m_holdsNul && m_generate.chance(80))
            text.remove(QChar(u'\0'));
        return text;
    }

    bool refusesNul(std::initializer_list<QString> texts) const
    {
        return !m_holdsNul && std::any_of(texts.begin(), texts.end(), [](const QString &text) {
            return text.contains(QChar(u'\0'));
        });
    }

    bool add()
    {
        const QString word = storable(m_generate.word(m_model));
        const QString meaning = storable(m_generate.meaning());
        const QString link = storable(m_generate.link());
        const QString operation =
            u"add(%1, %2, %3)"_s.arg(describe(word), describe(meaning), describe(link));
        if (refusesNul({word, meaning, link}))
            return refused(operation, [&] { m_kb->add(word, meaning, link); });
        const qint32 id = m_kb->add(word, meaning, link);
        if (id <= m_model.lastId())
            return fail(operation,
                        u"ID %1 is not after the last ID %2"_s.arg(id).arg(m_model.lastId()));
        m_model.add(id, word, meaning, link);
        return readBack(id);
    }

    bool update()
    {
        const bool existing = m_generate.chance(90);
        const qint32 id = existing ? m_generate.existingId(m_model) : m_generate.missingId(m_model);
        const QString word = storable(m_generate.word(m_model));
        const QString meaning = storable(m_generate.meaning());
        const QString link = storable(m_generate.link());
        const QString operation = u"update(%1, %2, %3, %4)"_s.arg(id).arg(
            describe(word), describe(meaning), describe(link));
        if (refusesNul({word, meaning, link}))
            return refused(operation, [&] { m_kb->update(id, word, meaning, link); })
                   && (!existing || readBack(id));
        bool refused = false;
        try {
            m_kb->update(id, word, meaning, link);
        } catch (const KbError &) {
            refused = true;
        }
        const bool known = m_model.update(id, word, meaning, link);
        if (refused == known)
            return fail(operation,
                        known ? u"refused an existing entry"_s : u"accepted a missing entry"_s);
        return !known || readBack(id);
    }

    // The write must fail and leave the knowledge base as it was.
    template <typename Write>
    bool refused(const QString &operation, Write write)
    {
        const qint64 before = m_kb->countAll();
        try {
            write();
        } catch (const KbError &) {
            return m_kb->countAll() == before
                   || fail(operation, u"changed the number of entries while refusing"_s);
        }
        return fail(operation, u"stored text holding U+0000"_s);
    }

    bool findWord()
    {
        const QString word = m_generate.lookup(m_model);
        return agree(u"findWord(%1)"_s.arg(describe(word)), m_kb->findWord(word),
                     m_model.findWord(word));
    }

    bool countMatches()
    {
        const QString pattern = m_generate.pattern(m_model);
        const qint64 count = m_kb->countMatches(pattern);
        const qint64 expected = m_model.listMatches(pattern).size();
        return count == expected
               || fail(u"countMatches(%1)"_s.arg(describe(pattern)),
                       u"gave %1, the model has %2"_s.arg(count).arg(expected));
    }

    bool listMatches()
    {
        const QString pattern = m_generate.pattern(m_model);
        return agree(u"listMatches(%1)"_s.arg(describe(pattern)), m_kb->listMatches(pattern),
                     m_model.listMatches(pattern));
    }

    bool readBack(qint32 id)
    {
        const QString operation = u"entry(%1)"_s.arg(id);
        const std::optional<Entry> stored = m_kb->entry(id);
        const ModelEntry *expected = m_model.entry(id);
        if (!expected)
            return !stored || fail(operation, u"found an entry the model does not have"_s);
        if (!stored)
            return fail(operation, u"found nothing"_s);
        if (!stored->meaning)
            return fail(operation, u"meaning read back as Null"_s);
        return agree(operation + u" word"_s, stored->word, expected->word)
               && agree(operation + u" meaning"_s, *stored->meaning, expected->meaning)
               && agree(operation + u" link"_s, stored->link, expected->link);
    }

    template <typename Value>
    bool agree(const QString &operation, const Value &actual, const Value &expected)
    {
        return actual == expected
               || fail(operation,
                       u"gave %1, the model has %2"_s.arg(describe(actual), describe(expected)));
    }

    bool fail(const QString &operation, const QString &what)
    {
        m_failure =
            u"seed %1, step %2: %3 %4 (DONGURI_MODEL_SEED=%1 repeats this run)"_s.arg(m_seed)
                .arg(m_step)
                .arg(operation, what);
        return false;
    }

    quint32 m_seed;
    std::unique_ptr<KnowledgeBase> m_kb;
    bool m_holdsNul;
    Model m_model;
    Generator m_generate;
    int m_step = 0;
    QString m_failure;
};

quint32 chosenSeed()
{
    const QByteArray setting = qgetenv("DONGURI_MODEL_SEED");
    if (setting.isEmpty())
        return DefaultSeed;
    if (setting == "random")
        return QRandomGenerator::system()->generate();
    bool ok = false;
    const quint32 seed = setting.toUInt(&ok);
    if (!ok)
        qFatal("DONGURI_MODEL_SEED must be a number or \"random\", not \"%s\"",
               setting.constData());
    return seed;
}

int chosenSteps()
{
    bool ok = false;
    const int steps = qEnvironmentVariableIntValue("DONGURI_MODEL_STEPS", &ok);
    return ok && steps > 0 ? steps : DefaultSteps;
}

} // namespace

class TestKbModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyAnswerAgreesWithTheModel()
    {
        const quint32 seed = chosenSeed();
        const int steps = chosenSteps();
        qInfo("seed %u, %d operations", seed, steps);
        const TestStore store(TestStore::kindFromEnvironment());
        ModelRun run(seed, store.open(), !store.isServer());
        const std::optional<QString> failure = run.run(steps);
        if (failure)
            QFAIL(qPrintable(*failure));
    }
};

QTEST_GUILESS_MAIN(TestKbModel)
#include "test_kb_model.moc"
