// Undo and redo of the document's edits: one command class per kind of
// change, each putting back the exact entry list (order, keys, detail lines)
// and title that came before or after it; the window follows the document's
// changed signal as after any edit. The edit itself has already happened
// when its command is pushed, so the first redo does nothing.
#pragma once

#include "model/document.h"

#include <QUndoCommand>
#include <QUndoStack>
#include <memory>

class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(Document &doc, const Document::Edit &edit, const QString &text);
    void undo() override;
    void redo() override;
    // The step is complete: no later edit joins it.
    void close() { m_closed = true; }
    // The entry the step leaves behind (-1: none).
    qint32 resultKey() const { return m_edit.resultKey; }
    // The next undo also drops the step from the stack.
    void dropOnUndo() { m_dropOnUndo = true; }

protected:
    Document &m_doc;
    Document::Edit m_edit;
    bool m_done = false;
    bool m_closed = false;
    bool m_dropOnUndo = false;
};

// What the user does to one entry until leaving it is one step: adding the
// row and the records Tab makes from cell to cell join the step that
// started it, which takes the name of the last (収入の登録 (学級費)).
class EntryStepCommand : public DocumentCommand {
public:
    using DocumentCommand::DocumentCommand;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;
};

// 収入の登録 / 支出の登録: an entry recorded from its panel.
class RecordEntryCommand : public EntryStepCommand {
public:
    RecordEntryCommand(Document &doc, const Document::Edit &edit);
};

// 収入の行の追加 / 支出の行の追加: a blank row added.
class AddRowCommand : public EntryStepCommand {
public:
    AddRowCommand(Document &doc, const Document::Edit &edit);
};

// 収入の行の削除 / 支出の行の削除.
class DeleteEntryCommand : public DocumentCommand {
public:
    DeleteEntryCommand(Document &doc, const Document::Edit &edit);
};

// 明細の登録, 明細の行の削除, 明細の空白行の削除: the detail window's edits.
// What the user does to one line until leaving it is one step, as for an
// entry: the blank line added and the records made on it join.
class DetailLinesCommand : public DocumentCommand {
public:
    DetailLinesCommand(Document &doc, const Document::Edit &edit);
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;
};

// 学校名の変更 ...: an edit of the print settings sheet's title fields.
// Typing into one field makes one step, not one per character.
class TitleCommand : public DocumentCommand {
public:
    TitleCommand(Document &doc, const Document::Edit &edit);
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;
};

std::unique_ptr<DocumentCommand> makeUndoCommand(Document &doc, const Document::Edit &edit);

// The last step of `stack` is complete: the next edit makes a new one.
void closeUndoStep(QUndoStack &stack);
// Undoes the last step, a row just added whose entry has key `key`, and
// drops it from the history: no redo brings the blank row back. False when
// the last step is not that one.
bool dropAddedRow(QUndoStack &stack, qint32 key);
