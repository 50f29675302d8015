#include "form4.h"

#include "character.h"
#include "character_stage.h"
#include "kb_error.h"
#include "shared_state.h"
#include "ui_support.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace donguri {

Form4::Form4(SharedState &state, Services services, QWidget *parent)
    : QWidget(parent), m_state(state), m_services(services), m_fields(this, services.files)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("直します。"));
    setAccessibleName(windowTitle());
    auto *save = makeButton(this, QStringLiteral("Command1"), QStringLiteral("登録"),
                            fromTwips(6120, 480, 855, 255));
    auto *callUp = makeButton(this, QStringLiteral("Command3"), QStringLiteral("呼び出し"),
                              fromTwips(6120, 120, 855, 255));
    auto *close = makeButton(this, QStringLiteral("Command4"), QStringLiteral("閉じる"),
                             fromTwips(6120, 720, 855, 255));
    setTabOrder(m_fields.word(), m_fields.meaning());
    setTabOrder(m_fields.meaning(), save);
    setTabOrder(save, m_fields.link());
    setTabOrder(m_fields.link(), m_fields.browse());
    setTabOrder(m_fields.browse(), callUp);
    setTabOrder(callUp, close);
    connect(save, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(m_fields.browse(), &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(callUp, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(close, &QPushButton::clicked, this, &Form4::Command4_Click);
    Form_Load();
}

// From here on every window speaks through the character this window loads. CurrentCharacter
// owns it, so it outlives this window.
void Form4::Form_Load()
{
    if (auto genie = CharacterStage::loadCorrectionCharacter(m_services.characters))
        m_state.CurrentCharacter = std::move(genie);
}

// Calls up the entry for the typed word; the word box stays locked until the next save. A word
// that is not there leaves the boxes as they were, with nothing being corrected.
void Form4::Command3_Click()
{
    m_fields.word()->setReadOnly(true);
    m_calledUp.reset();
    try {
        KnowledgeBase &kb = m_data1.at(m_state.DatabasePath);
        const std::optional<qint32> id = kb.findWord(m_fields.wordText());
        if (!id)
            return;
        const std::optional<Entry> entry = kb.entry(*id);
        if (!entry)
            return;
        m_calledUp = id;
        m_fields.meaning()->setPlainText(entry->meaning.value_or(QString()));
        m_fields.link()->setText(entry->link);
        m_fields.problem().clear();
    } catch (const KbError &error) {
        m_fields.problem().show(QStringLiteral("呼び出せませんでした。知識ファイルを読めません。"),
                             error.message());
    }
}

// Writes the boxes, exactly as typed, into the entry that was called up (by its ID). Without a
// called-up entry nothing is written and nothing is said.
void Form4::Command1_Click()
{
    m_fields.word()->setReadOnly(false);
    if (!m_calledUp)
        return;
    try {
        m_data1.at(m_state.DatabasePath)
            .update(*m_calledUp, m_fields.wordText(), m_fields.meaningText(), m_fields.linkText());
    } catch (const KbError &error) {
        m_fields.problem().show(QStringLiteral("直せませんでした。知識ファイルに書き込めません。"),
                             error.message());
        return;
    }
    m_calledUp.reset();
    m_fields.problem().clear();
    Character &character = m_state.character();
    character.Play(QStringLiteral("process"));
    character.Speak(QStringLiteral("直しました。"));
}

void Form4::Command2_Click()
{
    m_fields.FOPEN();
}

void Form4::Command4_Click()
{
    close();
}

} // namespace donguri
