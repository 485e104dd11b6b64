#include "ui/main/supply_sheet.h"

#include "model/document.h"
#include "model/values.h"
#include "ui/main/datepicker.h"
#include "ui/main/dialogs.h"
#include "ui/main/flexgrid.h"
#include "ui/main/panel_util.h"
#include "ui/main/sheet_widgets.h"

using namespace sheet;

QString SupplySheet::helpText()
{
    return QStringLiteral(
    "○ 修正したいセルの上にマウスカーソルを移動して、マウスをクリックしてください。\n"
    "○ 日付を修正すると自動的に並べ替えます。\n"
    "○ 行を挿入したいときは空白行をクリックするか、右の「行の追加」ボタンを押してください。\n"
    "○ 行を削除したいときは、削除したい行を選択し、右の「行の削除」ボタンを押してください。\n"
    "○ 明細書を編集するときは「明細」カラムをクリックすると出現する、編集ボタンを押してください。");
}

QString supplyGridDate(const QString &text)
{
    return text.indexOf(QLatin1Char('/')) == 4 ? text.mid(2) : text;
}

SupplySheet::SupplySheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent)
    : EntrySheet({false, 3, 7050}, doc, names, dialogs, parent)
{
    const SheetControls c = buildSheetControls();
    MSFlexGridSupply = c.grid;
    LabelSupplyHelp = c.help;
    LabelSupplyRest = c.rest;
    LabelSupplyRemainder = c.remainder;
    TextSupplyNo = numberBox;
    CommandSupplyNew = newButton;
    CommandSupplyRecord = recordButton;
    CommandSupplyDelete = deleteButton;
    CommandSupplyCancel = cancelButton;

    DTPickerSupplyDate = new DatePicker(this);
    place(DTPickerSupplyDate, 0, 0, 1695, 360);
    ComboSupplyReceipt = combo(this, 0, 0, 1000);
    ComboSupplyReceipt->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    ComboSupplyArticle = combo(this, 0, 0, 6405);
    ComboSupplySubArticle = combo(this, 0, 0, 1575);
    TextSupplyAmount = lineEdit(this, 0, 0, 1200);
    numericBox(TextSupplyAmount);
    TextSupplyAmount->setAlignment(Qt::AlignRight);
    CommandSupplyDetail = button(this, QStringLiteral("編集"), 0, 0, 720, 360);
    articleCombo = ComboSupplyArticle;
    subArticleCombo = ComboSupplySubArticle;
    remainderLabel = LabelSupplyRemainder;
    hideEditors();

    connect(MSFlexGridSupply, &FlexGrid::Click, this, [this] { guarded([this] { MSFlexGridSupply_Click(); }); });
    connect(MSFlexGridSupply, &FlexGrid::Scroll, this, [this] { guarded([this] { MSFlexGridSupply_Scroll(); }); });
    connect(CommandSupplyNew, &QPushButton::clicked, this, [this] { guarded([this] { CommandSupplyNew_Click(); }); });
    connect(CommandSupplyRecord, &QPushButton::clicked, this, [this] { guarded([this] { CommandSupplyRecord_Click(); }); });
    connect(CommandSupplyDelete, &QPushButton::clicked, this, [this] { guarded([this] { CommandSupplyDelete_Click(); }); });
    connect(CommandSupplyCancel, &QPushButton::clicked, this, [this] { guarded([this] { CommandSupplyCancel_Click(); }); });
    connect(CommandSupplyDetail, &QPushButton::clicked, this, [this] { guarded([this] { CommandSupplyDetail_Click(); }); });
    connect(TextSupplyNo, &QLineEdit::textChanged, this, [this] { guarded([this] { TextSupplyNo_Change(); }); });
    connect(TextSupplyAmount, &QLineEdit::textChanged, this, [this] { guarded([this] { TextSupplyAmount_Change(); }); });
    connect(ComboSupplyReceipt, &QComboBox::editTextChanged, this, [this] { guarded([this] { ComboSupplyReceipt_Change(); }); });
    connect(DTPickerSupplyDate, &DatePicker::CloseUp, this, [this] { guarded([this] { DTPickerSupplyDate_CloseUp(); }); });

    auto record = [this] { CommandSupplyRecord_Click(); };
    auto add = [this] { CommandSupplyNew_Click(); };
    enterRecordsOrAdds(TextSupplyNo, record, add, false);
    enterRecordsOrAdds(TextSupplyAmount, record, add, false);
    enterRecordsOrAdds(ComboSupplyReceipt, record, add, true);
    enterRecordsOrAdds(ComboSupplyArticle, record, add, true);
    enterRecordsOrAdds(ComboSupplySubArticle, record, add, true);
    // Enter in the date picker does nothing here.
    onEnterKey(DTPickerSupplyDate, [] {});
    escapeCancels({DTPickerSupplyDate, ComboSupplyReceipt, ComboSupplyArticle, ComboSupplySubArticle,
                   TextSupplyAmount},
                  [this] {
                      hideEditors();
                      CommandSupplyCancel_Click();
                  });
}

void SupplySheet::hideEditors()
{
    for (QWidget *w : std::initializer_list<QWidget *>{DTPickerSupplyDate, ComboSupplyReceipt,
                                                      ComboSupplyArticle, ComboSupplySubArticle,
                                                      TextSupplyAmount, CommandSupplyDetail})
        w->hide();
}

void SupplySheet::layoutGrid()
{
    FlexGrid *g = MSFlexGridSupply;
    g->setCols(8);
    g->setRows(100);
    g->setRowHeight(0, 360);
    const int w = g->Width();
    const int widths[8] = {500, 1695, 1000, w - 7050, 1575, 1200, 720, 0};
    for (int c = 0; c < 8; ++c)
        g->setColWidth(c, widths[c]);
    g->setRow(0);
    for (int c = 1; c <= 6; ++c) {
        g->setCol(c);
        g->setCellAlignment(FlexGrid::CenterCenter);
    }
    const QStringList headers = {QStringLiteral("No."), QStringLiteral("日付"), QStringLiteral("領収書"),
                                 QStringLiteral("項目"), QStringLiteral("内訳"), QStringLiteral("金額"),
                                 QStringLiteral("明細")};
    for (int c = 0; c < headers.size(); ++c)
        g->setTextMatrix(0, c, headers[c]);
    g->setWordWrap(true);
}

static bool hasDetailLines(const MekaluArticle &e)
{
    return e.taDetailList && e.taDetailList->tdLink;
}

void SupplySheet::formatNewRow(int r)
{
    setCellAligned(r, 1, FlexGrid::CenterCenter);
    setCellAligned(r, 3, FlexGrid::LeftCenter);
    setCellAligned(r, 4, FlexGrid::LeftCenter);
    setCellAligned(r, 5, FlexGrid::RightCenter);
    setCellAligned(r, 6, FlexGrid::CenterCenter);
}

static QString receiptText(const MekaluArticle &e)
{
    return e.taReceipt != 0 ? QStringLiteral("No.") + Str(e.taReceipt) : QString();
}

void SupplySheet::writeFullRow(int r, const MekaluArticle &e)
{
    FlexGrid *g = MSFlexGridSupply;
    g->setTextMatrix(r, 0, Str(r));
    g->setTextMatrix(r, 1, supplyGridDate(shortDate(e.taDate)));
    g->setTextMatrix(r, 2, receiptText(e));
    g->setCol(2);
    g->setCellForeColor(kGridRed);
    g->setTextMatrix(r, 3, e.taArticle);
    g->setTextMatrix(r, 4, e.taSubArticle);
    g->setTextMatrix(r, 5, QString());
}

void SupplySheet::writeEveryRefill(int r, const MekaluArticle &e)
{
    FlexGrid *g = MSFlexGridSupply;
    g->setRow(r);
    g->setTextMatrix(r, 0, Str(r));
    g->setTextMatrix(r, 1, supplyGridDate(shortDate(e.taDate)));
    if (e.taReceipt != 0)
        g->setTextMatrix(r, 2, receiptText(e));
    g->setCol(2);
    g->setCellForeColor(kGridRed);
    g->setTextMatrix(r, 3, e.taArticle);
    g->setTextMatrix(r, 5, QString());
    g->setTextMatrix(r, 6, hasDetailLines(e) ? QStringLiteral("○") : QString());
    if (e.taAmount != 0) {
        g->setTextMatrix(r, 5, formatAmount(e.taAmount));
        colorAmountCell(r, 5, e.taAmount);
    }
}

void SupplySheet::clearForIdle()
{
    DTPickerSupplyDate->setValue(today());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
    setComboText(ComboSupplyReceipt, QString());
}

void SupplySheet::fillReceiptList()
{
    refillCombo(ComboSupplyReceipt, freeReceiptNumbers(*m_doc.articleList()));
}

void SupplySheet::openColumnEditor(int c, int x, int y, const QString &s)
{
    switch (c) {
    case 1:
        openDateEditor(DTPickerSupplyDate, x, y, s);
        break;
    case 2:
        placeEditor(ComboSupplyReceipt, x, y + 15, 1000);
        fillReceiptList();
        setComboText(ComboSupplyReceipt, s.size() < 4 ? QString() : s.mid(3));
        openEditor(ComboSupplyReceipt);
        break;
    case 3:
        placeEditor(ComboSupplyArticle, x, y + 15, MSFlexGridSupply->Width() - 7050);
        setComboText(ComboSupplyArticle, s);
        openEditor(ComboSupplyArticle);
        break;
    case 4:
        placeEditor(ComboSupplySubArticle, x, y + 15);
        setComboText(ComboSupplySubArticle, s);
        openEditor(ComboSupplySubArticle);
        break;
    case 5:
        placeEditor(TextSupplyAmount, x, y + 15);
        TextSupplyAmount->setText(s);
        openEditor(TextSupplyAmount);
        break;
    case 6:
        placeEditor(CommandSupplyDetail, x, y);
        openEditor(CommandSupplyDetail, false);
        break;
    default:
        break;
    }
}

void SupplySheet::loadEntry(const MekaluArticle &src, MekaluArticle &cur)
{
    DTPickerSupplyDate->setValue(src.taDate.date());
    cur.taDate = src.taDate;
    setComboText(ComboSupplyArticle, src.taArticle);
    cur.taArticle = src.taArticle;
    setComboText(ComboSupplySubArticle, src.taSubArticle);
    cur.taSubArticle = src.taSubArticle;
    setComboText(ComboSupplyReceipt, Str(src.taReceipt));
    TextSupplyAmount->setText(src.taAmount == 0 ? QString() : Str(src.taAmount));
    cur.taAmount = src.taAmount;
    // The working copy shares the detail lines themselves, not a copy.
    cur.taDetailList = src.taDetailList;
}

void SupplySheet::TextSupplyAmount_Change()
{
    amountBoxChanged(TextSupplyAmount);
}

void SupplySheet::ComboSupplyReceipt_Change()
{
    const QString text = comboText(ComboSupplyReceipt);
    if (!passesDigitRule(text)) {
        setComboText(ComboSupplyReceipt, QString());
        return;
    }
    const double v = textValue(text);
    for (const MekaluArticle *cur = m_doc.articleList()->taLink.get(); cur; cur = cur->taLink.get()) {
        if (cur->taReceipt != 0 && cur->taReceipt == v) {
            DTPickerSupplyDate->setValue(cur->taDate.date());
            return;
        }
    }
    ComboSupplyReceipt->hide();
}

void SupplySheet::DTPickerSupplyDate_CloseUp()
{
    supplyDatePicked = true;
    try {
        CommandSupplyRecord_Click();
    } catch (...) {
        supplyDatePicked = false;
        throw;
    }
    supplyDatePicked = false;
    DTPickerSupplyDate->hide();
}

void SupplySheet::checkBoxes()
{
    // Converted before anything changes: a value that does not fit leaves
    // the list as it was and reopens the box to correct.
    try {
        readAmountField(TextSupplyAmount->text(), QStringLiteral("金額"));
    } catch (const HarumokaError &) {
        reopenEditor(5);
        throw;
    }
    try {
        m_receipt = readCountField(comboText(ComboSupplyReceipt), QStringLiteral("領収書番号"));
    } catch (const HarumokaError &) {
        reopenEditor(2);
        throw;
    }
}

bool SupplySheet::readBoxes(MekaluArticle &cur)
{
    cur.taDate = makeDate(DTPickerSupplyDate->Value());
    cur.taArticle = comboText(ComboSupplyArticle);
    cur.taSubArticle = comboText(ComboSupplySubArticle);
    cur.taAmount = readAmountField(TextSupplyAmount->text(), QStringLiteral("金額"));
    const qint16 receipt = m_receipt;
    if (receipt != 0) {
        for (const MekaluArticle *e = m_doc.articleList()->taLink.get(); e; e = e->taLink.get()) {
            if (e != source.get() && e->taReceipt == receipt) {
                m_dialogs.message(this, QStringLiteral("この領収書番号はすでに使われています。"),
                                  Dialogs::Buttons::Ok);
                setComboText(ComboSupplyReceipt, QString());
                return false;
            }
        }
        cur.taReceipt = receipt;
    }
    return true;
}

void SupplySheet::prepareNewRow(int row)
{
    setCellAligned(row, 1, FlexGrid::CenterCenter);
    setCellAligned(row, 3, FlexGrid::LeftCenter);
    setCellAligned(row, 5, FlexGrid::RightCenter);
    setComboText(ComboSupplyReceipt, QString());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
}

void SupplySheet::clearForCancel()
{
    DTPickerSupplyDate->setValue(today());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
}

void SupplySheet::selectionMoved()
{
    CommandSupplyDetail->setEnabled(true);
}

void SupplySheet::rowDeleted()
{
    CommandSupplyDetail->setEnabled(false);
}

void SupplySheet::CommandSupplyDetail_Click()
{
    if (selectedRow == 0)
        return;
    const ArticlePtr entry = m_doc.entryAt(false, selectedRow);
    if (!entry)
        throw HarumokaError(QStringLiteral("明細書を開く支出が見つかりません。"));
    emit detailRequested(entry);
}
