#pragma once

#include "entry_fields.h"
#include "kb_connection.h"
#include "services.h"

#include <QWidget>

#include <optional>

namespace donguri {

class SharedState;

// The correction window "直します。": calls up an entry by its word and stores it changed.
class Form4 : public QWidget
{
    Q_OBJECT
public:
    Form4(SharedState &state, Services services, QWidget *parent = nullptr);

    void Command1_Click(); // 登録
    void Command2_Click(); // 参照
    void Command3_Click(); // 呼び出し
    void Command4_Click(); // 閉じる
    EntryFields &fields() { return m_fields; }
    // The ID of the entry being corrected, if one has been called up since the last save.
    std::optional<qint32> calledUp() const { return m_calledUp; }

private:
    void Form_Load();

    SharedState &m_state;
    Services m_services;
    KbConnection m_data1;
    EntryFields m_fields;
    std::optional<qint32> m_calledUp;
};

} // namespace donguri
