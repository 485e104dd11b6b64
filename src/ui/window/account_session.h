// What one open account is, apart from its windows: the document, its undo
// history, the remembered article names, and the period summaries, computed
// once after each change when they are first asked for. The window, the
// sheets and the document and print commands work on this; it needs no
// widget.
#pragma once

#include "model/document.h"
#include "model/selection.h"
#include "summary/summaries.h"

#include <QObject>
#include <QUndoStack>

class AccountSession : public QObject {
    Q_OBJECT
public:
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

private:
    Document m_doc;
    QUndoStack m_undo;
    SelectionLists m_names;
    PeriodSummaries m_summaries;
    bool m_current = false;
};
