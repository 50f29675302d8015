#pragma once

#include "entry_fields.h"
#include "kb_connection.h"
#include "services.h"

#include <QWidget>

namespace donguri {

class SharedState;

// The teach window "教えてください。": stores a new word with its meaning and link.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    Form2(SharedState &state, Services services, QWidget *parent = nullptr);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    EntryFields &fields() { return m_fields; }

private:
    void Form_Load();

    SharedState &m_state;
    Services m_services;
    KbConnection m_data1;
    EntryFields m_fields;
};

} // namespace donguri
