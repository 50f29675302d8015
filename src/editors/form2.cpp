#include "form2.h"

#include "character.h"
#include "kb_error.h"
#include "shared_state.h"
#include "ui_support.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace donguri {

Form2::Form2(SharedState &state, Services services, QWidget *parent)
    : QWidget(parent), m_state(state), m_services(services), m_fields(this, services.files)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("教えてください。"));
    setAccessibleName(windowTitle());
    auto *save = makeButton(this, QStringLiteral("Command1"), QStringLiteral("登録"),
                            fromTwips(6120, 120, 855, 255));
    auto *close = makeButton(this, QStringLiteral("Command3"), QStringLiteral("閉じる"),
                             fromTwips(6120, 480, 855, 255));
    setTabOrder(m_fields.word(), m_fields.meaning());
    setTabOrder(m_fields.meaning(), save);
    setTabOrder(save, m_fields.link());
    setTabOrder(m_fields.link(), m_fields.browse());
    setTabOrder(m_fields.browse(), close);
    connect(save, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(m_fields.browse(), &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(close, &QPushButton::clicked, this, &Form2::Command3_Click);
    Form_Load();
}

void Form2::Form_Load()
{
    m_fields.word()->setText(m_state.SearchWord);
}

// Saves the boxes as a new entry, exactly as typed. A failed save keeps every box as it is and
// says why; only a stored entry is thanked for.
void Form2::Command1_Click()
{
    try {
        m_data1.at(m_state.DatabasePath)
            .add(m_fields.wordText(), m_fields.meaningText(), m_fields.linkText());
    } catch (const KbError &error) {
        m_fields.problem().show(QStringLiteral("登録できませんでした。知識ファイルに書き込めません。"),
                             error.message());
        return;
    }
    m_fields.problem().clear();
    Character &character = m_state.character();
    character.Play(QStringLiteral("greet"));
    character.Speak(QStringLiteral("ありがとう。"));
}

void Form2::Command2_Click()
{
    m_fields.FOPEN();
}

void Form2::Command3_Click()
{
    close();
}

} // namespace donguri
