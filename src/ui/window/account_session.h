// What one open account is, apart from its windows: the document, its undo
// history, the remembered article names, and the period summaries, computed
// once after each change when they are first asked for. The window, the
// sheets and the document and print commands work on this; it needs no
// widget. Which document commands the user may give is part of it too: the
// document commands set it, the window shows it.
#pragma once

#include "model/document.h"
#include "model/selection.h"
#include "summary/summaries.h"

#include <QObject>
#include <QUndoStack>

class AccountSession : public QObject {
    Q_OBJECT
public:
    // Save As has a toolbar button and a menu item that are not always
    // available together.
    struct Commands {
        bool open = true;
        bool save = false;
        bool saveAsButton = true;
        bool saveAsMenu = true;
        bool operator==(const Commands &) const = default;
    };

    explicit AccountSession(QObject *parent = nullptr);

    Document &document() { return m_doc; }
    const Document &document() const { return m_doc; }
    QUndoStack &undoStack() { return m_undo; }
    SelectionLists &names() { return m_names; }

    // The summaries of the document as it is now. Throws OverflowError (as
    // computeSummaries) when a period's total does not fit.
    const PeriodSummaries &summaries();
    // Whether summaries() would give figures without computing them again.
    bool summariesCurrent() const { return m_current; }

    const Commands &commands() const { return m_commands; }
    void setCommands(const Commands &commands);

signals:
    void commandsChanged(const AccountSession::Commands &commands);

private:
    Commands m_commands;
    Document m_doc;
    QUndoStack m_undo;
    SelectionLists m_names;
    PeriodSummaries m_summaries;
    bool m_current = false;
};
