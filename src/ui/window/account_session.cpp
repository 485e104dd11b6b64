#include "ui/window/account_session.h"

AccountSession::AccountSession(QObject *parent) : QObject(parent)
{
    // Each step keeps the entry list before it: bounded, so that a large account stays small.
    m_undo.setUndoLimit(200);
    connect(&m_doc, &Document::changed, this, [this] { m_current = false; });
}

const PeriodSummaries &AccountSession::summaries()
{
    if (!m_current) {
        m_summaries = computeSummaries(m_doc.entries(), m_doc.title().carryOverOverride());
        m_current = true;
    }
    return m_summaries;
}

void AccountSession::setCommands(const Commands &commands)
{
    if (commands == m_commands)
        return;
    m_commands = commands;
    emit commandsChanged(m_commands);
}
