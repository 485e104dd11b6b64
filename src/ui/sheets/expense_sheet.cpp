#include "ui/sheets/expense_sheet.h"

#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/sheet_widgets.h"

#include <QFocusEvent>
#include <QScopedValueRollback>

using namespace sheet;

QString ExpenseSheet::helpText()
{
    return QStringLiteral(
    "○ 修正したいセルの上にマウスカーソルを移動して、マウスをクリックしてください。\n"
    "○ 日付を修正すると自動的に並べ替えます。\n"
    "○ 行を挿入したいときは空白行をクリックするか、右の「行の追加」ボタンを押してください。\n"
    "○ 行を削除したいときは、削除したい行を選択し、右の「行の削除」ボタンを押してください。\n"
    "○ 明細書を編集するときは「明細」カラムをクリックすると出現する、編集ボタンを押してください。");
}

void ExpenseSheet::setDetailEnabled(bool enabled)
{
    CommandSupplyDetail->setEnabled(enabled);
}

ExpenseSheet::ExpenseSheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent)
    : EntrySheet(false, doc, names, dialogs, parent)
{
    DTPickerSupplyDate = new DatePicker(this);
    place(DTPickerSupplyDate, 0, 0, 1695, 360);
    ComboSupplyReceipt = numberCombo(this, 0, 0, 1000);
    ComboSupplyArticle = combo(this, 0, 0, 6405);
    ComboSupplySubArticle = combo(this, 0, 0, 1575);
    TextSupplyAmount = sheet::numberBox(this, true, 0, 0, 1200);
    TextSupplyAmount->setAlignment(Qt::AlignRight);
    CommandSupplyDetail = button(this, QStringLiteral("編集"), 0, 0, 720, 360);
    articleCombo = ComboSupplyArticle;
    subArticleCombo = ComboSupplySubArticle;
    datePicker = DTPickerSupplyDate;
    nameParts({{DTPickerSupplyDate, "DTPickerSupplyDate"}, {ComboSupplyReceipt, "ComboSupplyReceipt"},
               {ComboSupplyArticle, "ComboSupplyArticle"}, {ComboSupplySubArticle, "ComboSupplySubArticle"},
               {TextSupplyAmount, "TextSupplyAmount"}, {CommandSupplyDetail, "CommandSupplyDetail"}});

    CommandSupplyDetail->setAccessibleName(QStringLiteral("明細の編集"));

    connect(CommandSupplyDetail, &QPushButton::clicked, this, [this] { guarded([this] { openDetail(); }); });
    connect(TextSupplyAmount, &QLineEdit::textChanged, this, [this] { guarded([this] { amountChanged(); }); });
    connect(ComboSupplyReceipt, &QComboBox::editTextChanged, this, [this] { guarded([this] { receiptNumberEdited(); }); });
    connect(ComboSupplyReceipt, &QComboBox::activated, this, [this] {
        command([this] {
            receiptNumberComplete();
            // A number picked from the list is recorded at once, so the grid
            // shows it; the user is still on the entry (one undo step).
            if (recordButton->isEnabled())
                staysOnEntry([this] { return record(); });
        });
    });

    enterRecords(TextSupplyAmount, false);
    enterRecords(ComboSupplyReceipt, true);
    // The edit button is pressed by Enter as well as by Space.
    onEnterKey(CommandSupplyDetail, [this] { CommandSupplyDetail->click(); });
    // Leaving the receipt box completes its number. A focus the program
    // moves (a record, a refill) is no leaving by the user.
    ComboSupplyReceipt->installEventFilter(this);
    wireEditors({DTPickerSupplyDate, ComboSupplyReceipt, ComboSupplyArticle, ComboSupplySubArticle,
                 TextSupplyAmount, CommandSupplyDetail});
}

bool ExpenseSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ComboSupplyReceipt && event->type() == QEvent::FocusOut && ComboSupplyReceipt->isVisible()) {
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            guarded([this] { receiptNumberComplete(); });
            break;
        default:
            break;
        }
    }
    return EntrySheet::eventFilter(watched, event);
}

void ExpenseSheet::changeEvent(QEvent *event)
{
    EntrySheet::changeEvent(event);
    // Disabling the window took the focus from the grid; when the detail
    // window closes and the window is enabled again, the keyboard goes on
    // in the grid. The edit button goes too: it would hide the row's mark.
    if (event->type() == QEvent::EnabledChange && isEnabled() && m_detailOpen) {
        m_detailOpen = false;
        hideEditors();
        grid()->setFocus(Qt::OtherFocusReason);
    }
}

bool ExpenseSheet::commitEditor(int c)
{
    if (c != 1)
        return EntrySheet::commitEditor(c);
    const bool recorded = !recordButton->isEnabled() || [this] {
        const QScopedValueRollback picked(m_datePicked, true);
        return record();
    }();
    hideEditors();
    return recorded;
}

void ExpenseSheet::clearForIdle()
{
    clearForCancel();
    setComboText(ComboSupplyReceipt, QString());
}

void ExpenseSheet::fillReceiptList()
{
    refillCombo(ComboSupplyReceipt, m_doc.entries().freeReceiptNumbers());
}

void ExpenseSheet::fillEditor(int c, QWidget *editor, const QString &text)
{
    if (c != 2)
        return EntrySheet::fillEditor(c, editor, text);
    // The cell shows "No." before the number.
    fillReceiptList();
    setComboText(ComboSupplyReceipt, text.size() < 4 ? QString() : text.mid(3));
}

void ExpenseSheet::loadEntry(const Entry &src, Entry &cur)
{
    m_dateOwner = 0;
    DTPickerSupplyDate->setValue(src.date.date());
    cur.date = src.date;
    setComboText(ComboSupplyArticle, src.article);
    cur.article = src.article;
    setComboText(ComboSupplySubArticle, src.breakdown);
    cur.breakdown = src.breakdown;
    setComboText(ComboSupplyReceipt, Str(src.receipt));
    TextSupplyAmount->setText(src.amount == 0 ? QString() : Str(src.amount));
    cur.amount = src.amount;
}

void ExpenseSheet::amountChanged()
{
    amountBoxChanged(TextSupplyAmount);
}

void ExpenseSheet::receiptNumberEdited()
{
    const QString text = comboText(ComboSupplyReceipt);
    if (m_dateOwner != 0 && textValue(text) != m_dateOwner)
        giveBackOwnDate();
}

void ExpenseSheet::receiptNumberComplete()
{
    const double v = textValue(comboText(ComboSupplyReceipt));
    if (const EntryPtr owner = v >= 1 && v <= 32767 ? m_doc.entries().receiptOwner(qint16(v)) : nullptr) {
        // The entry's own number leaves its date alone.
        if (m_source && owner->key == m_source->key)
            return;
        if (m_dateOwner == 0)
            m_ownDate = DTPickerSupplyDate->Value();
        m_dateOwner = owner->receipt;
        m_ownerDate = owner->date.date();
        DTPickerSupplyDate->setValue(m_ownerDate);
        return;
    }
    giveBackOwnDate();
    if (ComboSupplyReceipt->isVisible()) {
        if (ComboSupplyReceipt->hasFocus())
            grid()->setFocus(Qt::OtherFocusReason);
        ComboSupplyReceipt->hide();
    }
}

void ExpenseSheet::giveBackOwnDate()
{
    // A date the user chose meanwhile stays.
    if (m_dateOwner != 0 && DTPickerSupplyDate->Value() == m_ownerDate)
        DTPickerSupplyDate->setValue(m_ownDate);
    m_dateOwner = 0;
}

void ExpenseSheet::dateChosen()
{
    commitEditor(1);
}

void ExpenseSheet::checkBoxes()
{
    // Converted before anything changes: a value that does not fit leaves
    // the list as it was and reopens the box to correct.
    checkDateTyping();
    readOrReopen(5, [this] { return readAmountField(TextSupplyAmount->text(), QStringLiteral("金額")); });
    m_receipt =
        readOrReopen(2, [this] { return readCountField(comboText(ComboSupplyReceipt), QStringLiteral("領収書番号")); });
}

bool ExpenseSheet::readBoxes(Entry &cur)
{
    cur.date = makeDate(DTPickerSupplyDate->Value());
    cur.article = comboText(ComboSupplyArticle);
    cur.breakdown = comboText(ComboSupplySubArticle);
    cur.amount = readAmountField(TextSupplyAmount->text(), QStringLiteral("金額"));
    const qint16 receipt = m_receipt;
    if (receipt != 0) {
        if (const EntryPtr owner = m_doc.entries().receiptOwner(receipt, m_source ? m_source->key : -1)) {
            // Refused like a value that does not fit: the receipt box opens
            // again with the number selected, to type another, and the
            // message says whose number it is.
            reopenEditor(2);
            throw HarumokaError(QStringLiteral("この領収書番号はすでに使われています。\r使っているのは %1 の「%2」です。")
                                    .arg(shortDate(owner->date), owner->article));
        }
        cur.receipt = receipt;
    }
    return true;
}

void ExpenseSheet::prepareNewRow(int)
{
    setComboText(ComboSupplyReceipt, QString());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
}

void ExpenseSheet::clearForCancel()
{
    m_dateOwner = 0;
    DTPickerSupplyDate->setValue(today());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
}

void ExpenseSheet::selectionMoved()
{
    CommandSupplyDetail->setEnabled(true);
}

void ExpenseSheet::rowDeleted()
{
    CommandSupplyDetail->setEnabled(false);
}

void ExpenseSheet::openDetail()
{
    if (selectedRow() == 0)
        return;
    const EntryPtr entry = m_doc.entryAt(false, selectedRow());
    if (!entry)
        throw HarumokaError(QStringLiteral("明細書を開く支出が見つかりません。"));
    m_detailOpen = true;
    focusGrid(selectedRow(), 6);
    emit detailRequested(entry);
}
