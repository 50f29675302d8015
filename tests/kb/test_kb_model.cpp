// The knowledge base against a plain in-memory model: long random runs of adds, updates, exact
// lookups, pattern counts and lists and read-backs, with words full of characters that have
// tripped up text handling somewhere. Every answer must equal the model's.
//
// DONGURI_MODEL_SEED=N repeats the run with seed N; DONGURI_MODEL_SEED=random picks a fresh seed
// and prints it. DONGURI_MODEL_STEPS=N runs N operations instead of the usual number.

#include "kb_error.h"
#include "knowledge_base.h"
#include "reference_matching.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <optional>

using namespace donguri;
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
constexpr qsizetype LongTextSize = 10000;

// Single characters (some of them two UTF-16 code units, or a base and a combining mark apart)
// that the words are built from: other matchers' wildcards and escapes, SQL quotes, blanks of
// both widths, full-width forms, か with a combining voiced mark, characters outside the BMP,
// NUL and other control characters. The first few are common so that words repeat and overlap.
const QStringList Alphabet = {
    u"a"_s,  u"b"_s,      u"ど"_s,     u" "_s,      u"*"_s,  u"a"_s,         u"b"_s,
    u" "_s,  u"'"_s,      u"\""_s,     u"?"_s,      u"["_s,  u"]"_s,         u"%"_s,
    u"_"_s,  u"\\"_s,     u"Ａ"_s,     u"＊"_s,     u"\u3000"_s, u"か"_s,    u"\u3099"_s,
    u"が"_s, u"ん"_s,     u"😀"_s,     u"🌰"_s,     u"\U0010FFFF"_s, u"\uFFFD"_s,
    QString(QChar(u'\0')), u"\t"_s,    u"\n"_s,     u"\x7f"_s,   u"\uFFFF"_s,
};

struct ModelEntry
{
    qint32 id = 0;
    QString word;
    QString meaning;
    QString link;
};

// The model: every entry as last written, in the order they were added (which is ID order).
class Model
{
public:
    void add(qint32 id, const QString &word, const QString &meaning, const QString &link)
    {
        m_entries.append({id, word, meaning, link});
    }

    bool update(qint32 id, const QString &word, const QString &meaning, const QString &link)
    {
        for (ModelEntry &entry : m_entries) {
            if (entry.id == id) {
                entry = {id, word, meaning, link};
                return true;
            }
        }
        return false;
    }

    std::optional<qint32> findWord(const QString &word) const
    {
        const QString wanted = reference::withoutTrailingBlanks(word);
        for (const ModelEntry &entry : m_entries) {
            if (reference::withoutTrailingBlanks(entry.word) == wanted)
                return entry.id;
        }
        return std::nullopt;
    }

    QList<WordRow> listMatches(const QString &pattern) const
    {
        QList<WordRow> rows;
        for (const ModelEntry &entry : m_entries) {
            if (reference::patternMatchesWord(pattern, entry.word))
                rows.append({entry.id, entry.word});
        }
        return rows;
    }

    const ModelEntry *entry(qint32 id) const
    {
        for (const ModelEntry &entry : m_entries) {
            if (entry.id == id)
                return &entry;
        }
        return nullptr;
    }

    const QList<ModelEntry> &entries() const { return m_entries; }
    qint32 lastId() const { return m_entries.isEmpty() ? 0 : m_entries.constLast().id; }

private:
    QList<ModelEntry> m_entries;
};

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

// Cut positions never split a surrogate pair: a question typed into the program is whole
// characters, so patterns are too.
qsizetype toCharacterBoundary(const QString &text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate())
        --at;
    return at;
}

class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    int below(int bound) { return int(m_random.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }

    QString randomCharacters(qsizetype count)
    {
        QString text;
        for (qsizetype i = 0; i < count; ++i)
            text += Alphabet.at(below(int(Alphabet.size())));
        return text;
    }

    QString longText()
    {
        QString text = randomCharacters(LongTextSize);
        text.truncate(toCharacterBoundary(text, LongTextSize));
        return text;
    }

    QString blanks(int most) { return QString(1 + below(most), u' '); }

    QString freshWord()
    {
        const int kind = below(1000);
        if (kind < 8)
            return longText();
        if (kind < 40)
            return QString();
        if (kind < 70)
            return blanks(4);
        QString word = randomCharacters(below(9));
        if (chance(15))
            word.prepend(blanks(2));
        if (chance(25))
            word += blanks(3);
        return word;
    }

    // A word for adding or updating: often one already stored, as it stands or with other
    // trailing blanks, so that lookups have to pick the first of equal words.
    QString word(const Model &model)
    {
        if (model.entries().isEmpty() || !chance(25))
            return freshWord();
        QString word = reference::withoutTrailingBlanks(storedWord(model));
        if (chance(50))
            word += blanks(3);
        return word;
    }

    QString meaning()
    {
        if (chance(1))
            return longText();
        return chance(10) ? QString() : randomCharacters(below(12));
    }

    QString link() { return chance(70) ? QString() : randomCharacters(below(10)); }

    const QString &storedWord(const Model &model)
    {
        return model.entries().at(below(int(model.entries().size()))).word;
    }

    qint32 existingId(const Model &model)
    {
        return model.entries().at(below(int(model.entries().size()))).id;
    }

    // An ID no entry has: before the first, past the last, or far out.
    qint32 missingId(const Model &model)
    {
        switch (below(3)) {
        case 0:
            return -below(3);
        case 1:
            return model.lastId() + 1 + below(5);
        default:
            return std::numeric_limits<qint32>::max() - below(3);
        }
    }

    QString lookup(const Model &model)
    {
        if (model.entries().isEmpty() || chance(30))
            return freshWord();
        QString word = reference::withoutTrailingBlanks(storedWord(model));
        switch (below(4)) {
        case 0:
            return word;
        case 1:
            return word + blanks(3);
        case 2:
            return u" "_s + word; // a leading blank counts
        default:
            return word.left(toCharacterBoundary(word, below(int(word.size()) + 1)));
        }
    }

    // Patterns are mostly cut from stored words, so that they match something.
    QString pattern(const Model &model)
    {
        QString pattern = model.entries().isEmpty() || chance(15) ? freePattern()
                                                                  : patternFrom(storedWord(model));
        if (chance(20))
            pattern += blanks(3);
        return pattern;
    }

private:
    QString freePattern()
    {
        switch (below(4)) {
        case 0:
            return QString(1 + below(3), u'*');
        case 1:
            return chance(50) ? QString() : blanks(3);
        default:
            return randomCharacters(below(6));
        }
    }

    QString patternFrom(const QString &stored)
    {
        const QString word = chance(80) ? reference::withoutTrailingBlanks(stored) : stored;
        qsizetype from = toCharacterBoundary(word, below(int(word.size()) + 1));
        qsizetype to = toCharacterBoundary(word, below(int(word.size()) + 1));
        if (from > to)
            std::swap(from, to);
        const QString stars = QString(1 + (chance(20) ? below(3) : 0), u'*');
        switch (below(6)) {
        case 0:
            return word;
        case 1:
            return word.left(from) + stars;
        case 2:
            return stars + word.mid(to);
        case 3:
            return stars + word.mid(from, to - from) + stars;
        case 4:
            return word.left(from) + stars + word.mid(to);
        default:
            return sprinkledWithStars(word);
        }
    }

    // The word with stars put between its characters here and there, some in place of one.
    QString sprinkledWithStars(const QString &word)
    {
        QString pattern;
        for (const QString &character : splitCharacters(word)) {
            if (chance(12))
                pattern += QString(1 + below(2), u'*');
            pattern += chance(8) ? u"*"_s : character;
        }
        if (chance(30))
            pattern += u"*"_s;
        return pattern;
    }

    static QStringList splitCharacters(const QString &word)
    {
        QStringList characters;
        for (qsizetype i = 0; i < word.size(); ++i) {
            const qsizetype length = word.at(i).isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
            characters << word.mid(i, length);
            i += length - 1;
        }
        return characters;
    }

    QRandomGenerator m_random;
};

// One run: random operations on a fresh knowledge base and on the model side by side. Returns
// what went wrong first, or nothing when every answer agreed.
class ModelRun
{
public:
    ModelRun(quint32 seed, const QString &path) : m_seed(seed), m_kb(path), m_generate(seed) {}

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

    bool add()
    {
        const QString word = m_generate.word(m_model);
        const QString meaning = m_generate.meaning();
        const QString link = m_generate.link();
        const QString operation =
            u"add(%1, %2, %3)"_s.arg(describe(word), describe(meaning), describe(link));
        const qint32 id = m_kb.add(word, meaning, link);
        if (id <= m_model.lastId())
            return fail(operation, u"ID %1 is not after the last ID %2"_s.arg(id).arg(m_model.lastId()));
        m_model.add(id, word, meaning, link);
        return readBack(id);
    }

    bool update()
    {
        const bool existing = m_generate.chance(90);
        const qint32 id = existing ? m_generate.existingId(m_model) : m_generate.missingId(m_model);
        const QString word = m_generate.word(m_model);
        const QString meaning = m_generate.meaning();
        const QString link = m_generate.link();
        const QString operation = u"update(%1, %2, %3, %4)"_s.arg(id).arg(
            describe(word), describe(meaning), describe(link));
        bool refused = false;
        try {
            m_kb.update(id, word, meaning, link);
        } catch (const KbError &) {
            refused = true;
        }
        const bool known = m_model.update(id, word, meaning, link);
        if (refused == known)
            return fail(operation, known ? u"refused an existing entry"_s : u"accepted a missing entry"_s);
        return !known || readBack(id);
    }

    bool findWord()
    {
        const QString word = m_generate.lookup(m_model);
        return agree(u"findWord(%1)"_s.arg(describe(word)), m_kb.findWord(word),
                     m_model.findWord(word));
    }

    bool countMatches()
    {
        const QString pattern = m_generate.pattern(m_model);
        const qint64 count = m_kb.countMatches(pattern);
        const qint64 expected = m_model.listMatches(pattern).size();
        return count == expected
               || fail(u"countMatches(%1)"_s.arg(describe(pattern)),
                       u"gave %1, the model has %2"_s.arg(count).arg(expected));
    }

    bool listMatches()
    {
        const QString pattern = m_generate.pattern(m_model);
        return agree(u"listMatches(%1)"_s.arg(describe(pattern)), m_kb.listMatches(pattern),
                     m_model.listMatches(pattern));
    }

    bool readBack(qint32 id)
    {
        const QString operation = u"entry(%1)"_s.arg(id);
        const std::optional<Entry> stored = m_kb.entry(id);
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
        m_failure = u"seed %1, step %2: %3 %4 (DONGURI_MODEL_SEED=%1 repeats this run)"_s.arg(m_seed)
                        .arg(m_step)
                        .arg(operation, what);
        return false;
    }

    quint32 m_seed;
    KnowledgeBase m_kb;
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
        qFatal("DONGURI_MODEL_SEED must be a number or \"random\", not \"%s\"", setting.constData());
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
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ModelRun run(seed, dir.filePath(u"どんぐりくん.mdb"_s));
        const std::optional<QString> failure = run.run(steps);
        if (failure)
            QFAIL(qPrintable(*failure));
    }
};

QTEST_GUILESS_MAIN(TestKbModel)
#include "test_kb_model.moc"
