#include "ui/window/undo_commands.h"

namespace {

using Edit = Document::Edit;

QString withSubject(const QString &what, const QString &subject)
{
    return subject.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, subject);
}

bool isIncome(Edit::Kind k)
{
    return k == Edit::AddIncome || k == Edit::RecordIncome || k == Edit::RemoveIncome;
}

QString kindText(const Edit &e)
{
    const QString side = isIncome(e.kind) ? QStringLiteral("収入") : QStringLiteral("支出");
    switch (e.kind) {
    case Edit::AddIncome:
    case Edit::AddSupply:
        return side + QStringLiteral("の行の追加");
    case Edit::RecordIncome:
    case Edit::RecordSupply:
        return withSubject(side + QStringLiteral("の登録"), e.subject);
    case Edit::RemoveIncome:
    case Edit::RemoveSupply:
        return withSubject(side + QStringLiteral("の行の削除"), e.subject);
    case Edit::RecordDetail:
        return withSubject(QStringLiteral("明細の登録"), e.subject);
    case Edit::RemoveDetail:
        return withSubject(QStringLiteral("明細の行の削除"), e.subject);
    case Edit::DropBlankDetails:
        return withSubject(QStringLiteral("明細の空白行の削除"), e.subject);
    case Edit::Title: {
        static const char *const fields[] = {"会計タイトルの設定", "学校", "年度", "学年", "学級",
                                             "担任", "表題", "報告者", "繰越金の名称"};
        if (e.titleField < 0 || e.titleField >= int(std::size(fields)))
            return QStringLiteral("印刷設定の変更");
        return QStringLiteral("「%1」の変更").arg(QString::fromUtf8(fields[e.titleField]));
    }
    case Edit::Marks:
        return withSubject(QStringLiteral("集金の記録"), e.subject);
    case Edit::RosterChange:
        return QStringLiteral("名簿の変更");
    }
    return QString();
}

} // namespace

DocumentCommand::DocumentCommand(Document &doc, const Document::Edit &edit, const QString &text)
    : QUndoCommand(text), m_doc(doc), m_edit(edit)
{
}

void DocumentCommand::undo()
{
    m_closed = true;
    m_doc.undo(m_edit);
    // QUndoStack deletes a command that is obsolete after its undo.
    if (m_dropOnUndo)
        setObsolete(true);
}

void DocumentCommand::redo()
{
    // Pushed after the edit happened: only a later redo has anything to do.
    if (m_done) {
        m_closed = true;
        m_doc.redo(m_edit);
    }
    m_done = true;
}

int EntryStepCommand::id() const
{
    return 1;
}

bool EntryStepCommand::mergeWith(const QUndoCommand *other)
{
    const Edit &next = static_cast<const EntryStepCommand *>(other)->m_edit;
    if (m_closed || next.sourceKey < 0 || next.sourceKey != m_edit.resultKey || isIncome(next.kind) != isIncome(m_edit.kind))
        return false;
    m_edit.ops.insert(m_edit.ops.end(), next.ops.begin(), next.ops.end());
    m_edit.resultKey = next.resultKey;
    m_edit.kind = next.kind;
    m_edit.subject = next.subject;
    setText(kindText(m_edit));
    return true;
}

RecordEntryCommand::RecordEntryCommand(Document &doc, const Document::Edit &edit)
    : EntryStepCommand(doc, edit, kindText(edit))
{
}

AddRowCommand::AddRowCommand(Document &doc, const Document::Edit &edit)
    : EntryStepCommand(doc, edit, kindText(edit))
{
}

DeleteEntryCommand::DeleteEntryCommand(Document &doc, const Document::Edit &edit)
    : DocumentCommand(doc, edit, kindText(edit))
{
}

DetailLinesCommand::DetailLinesCommand(Document &doc, const Document::Edit &edit)
    : DocumentCommand(doc, edit, kindText(edit))
{
}

int DetailLinesCommand::id() const
{
    return m_edit.kind == Edit::RecordDetail ? 2 : -1;
}

bool DetailLinesCommand::mergeWith(const QUndoCommand *other)
{
    const Edit &next = static_cast<const DetailLinesCommand *>(other)->m_edit;
    if (m_closed || next.kind != Edit::RecordDetail || next.sourceKey != m_edit.resultKey)
        return false;
    m_edit.ops.insert(m_edit.ops.end(), next.ops.begin(), next.ops.end());
    m_edit.resultKey = next.resultKey;
    m_edit.subject = next.subject;
    setText(kindText(m_edit));
    return true;
}

TitleCommand::TitleCommand(Document &doc, const Document::Edit &edit) : DocumentCommand(doc, edit, kindText(edit)) {}

int TitleCommand::id() const
{
    // One id per field: only edits of the same field merge.
    return m_edit.titleField < 0 ? -1 : 1000 + m_edit.titleField;
}

bool TitleCommand::mergeWith(const QUndoCommand *other)
{
    if (other->id() != id())
        return false;
    m_edit.titleAfter = static_cast<const TitleCommand *>(other)->m_edit.titleAfter;
    return true;
}

std::unique_ptr<DocumentCommand> makeUndoCommand(Document &doc, const Document::Edit &edit)
{
    switch (edit.kind) {
    case Edit::AddIncome:
    case Edit::AddSupply:
        return std::make_unique<AddRowCommand>(doc, edit);
    case Edit::RecordIncome:
    case Edit::RecordSupply:
        return std::make_unique<RecordEntryCommand>(doc, edit);
    case Edit::RemoveIncome:
    case Edit::RemoveSupply:
        return std::make_unique<DeleteEntryCommand>(doc, edit);
    case Edit::RecordDetail:
    case Edit::RemoveDetail:
    case Edit::DropBlankDetails:
        return std::make_unique<DetailLinesCommand>(doc, edit);
    case Edit::Title:
        return std::make_unique<TitleCommand>(doc, edit);
    case Edit::Marks:
    case Edit::RosterChange:
        return std::make_unique<DocumentCommand>(doc, edit, kindText(edit));
    }
    return nullptr;
}

void closeUndoStep(QUndoStack &stack)
{
    // The stack hands its commands out as const; closing one changes nothing
    // the stack itself keeps.
    if (stack.index() > 0)
        if (auto *step = dynamic_cast<const DocumentCommand *>(stack.command(stack.index() - 1)))
            const_cast<DocumentCommand *>(step)->close();
}

bool dropAddedRow(QUndoStack &stack, qint32 key)
{
    // A row is added as the last step (adding it drops any redo); no step: null.
    auto *step = dynamic_cast<const AddRowCommand *>(stack.command(stack.index() - 1));
    if (!step || step->resultKey() != key)
        return false;
    const_cast<AddRowCommand *>(step)->dropOnUndo();
    stack.undo();
    return true;
}
