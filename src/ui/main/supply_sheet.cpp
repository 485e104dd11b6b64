#include "ui/main/supply_sheet.h"

#include "app/dialogs.h"
#include "app/module1.h"
#include "model/values.h"
#include "ui/main/datepicker.h"
#include "ui/main/flexgrid.h"
#include "ui/main/frmmain.h"
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

SupplySheet::SupplySheet(Module1 &m, frmMain &main, QWidget *parent)
    : EntryPanel(parent), m(m), main(main)
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

void SupplySheet::editFlexGridSupply()
{
    FlexGrid *g = MSFlexGridSupply;
    ArticlePtr e = m.articleList->nextSupplyArticle();
    int r = 1;
    m.currentSupplyArticle = e;
    while (e) {
        if (r + 1 > m.supplyRowWatermark) {
            g->setRows(r + 100);
            g->setRow(r);
            m.supplyRowWatermark = rowWatermark(r);
            setCellAligned(r, 1, FlexGrid::CenterCenter);
            setCellAligned(r, 3, FlexGrid::LeftCenter);
            setCellAligned(r, 4, FlexGrid::LeftCenter);
            setCellAligned(r, 5, FlexGrid::RightCenter);
            setCellAligned(r, 6, FlexGrid::CenterCenter);
        }
        const QString date = supplyGridDate(shortDate(e->taDate));
        const QString receipt = e->taReceipt != 0 ? QStringLiteral("No.") + Str(e->taReceipt) : QString();
        const QString key = g->TextMatrix(r, 7);
        if (key.isEmpty() || Val(key) != e->taKey) {
            g->setRow(r);
            g->setTextMatrix(r, 0, Str(r));
            g->setTextMatrix(r, 1, date);
            g->setTextMatrix(r, 2, receipt);
            g->setCol(2);
            g->setCellForeColor(kGridRed);
            g->setTextMatrix(r, 3, e->taArticle);
            g->setRowHeight(r, rowHeightFor(e->taArticle, 3));
            g->setTextMatrix(r, 4, e->taSubArticle);
            g->setTextMatrix(r, 5, QString());
            g->setTextMatrix(r, 7, Str(e->taKey));
        }
        g->setRow(r);
        g->setTextMatrix(r, 0, Str(r));
        g->setTextMatrix(r, 1, date);
        if (e->taReceipt != 0)
            g->setTextMatrix(r, 2, receipt);
        g->setCol(2);
        g->setCellForeColor(kGridRed);
        g->setTextMatrix(r, 3, e->taArticle);
        g->setTextMatrix(r, 5, QString());
        g->setTextMatrix(r, 6, hasDetailLines(*e) ? QStringLiteral("○") : QString());
        if (e->taAmount != 0) {
            g->setTextMatrix(r, 5, formatAmount(e->taAmount));
            colorAmountCell(r, 5, e->taAmount);
        }
        e = e->nextSupplyArticle();
        m.currentSupplyArticle = e;
        ++r;
    }
    m.currentSupplyArticle.reset();

    setIdleButtons();
    TextSupplyNo->clear();
    DTPickerSupplyDate->setValue(today());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
    setComboText(ComboSupplyReceipt, QString());
    TextSupplyNo->setReadOnly(false);
    main.setRemainderLabels();
}

void SupplySheet::MSFlexGridSupply_Click()
{
    FlexGrid *g = MSFlexGridSupply;
    const int r = g->Row();
    if (r == 0)
        return;
    const int c = g->Col();
    m.editedSupplyCol = qint16(c);
    if (m.selectedSupplyRow != 0)
        CommandSupplyRecord_Click();
    if (r != m.selectedSupplyRow) {
        if (m.selectedSupplyRow != 0)
            paintRow(m.selectedSupplyRow, 1, 6, kGridWhite);
        m.selectedSupplyRow = to16(r);
        CommandSupplyDetail->setEnabled(true);
    }
    if (r >= m.supplyCount + 1) {
        CommandSupplyNew_Click();
        return;
    }
    paintRow(r, 1, 6, kGridPaleYellow);
    g->setRow(r);
    g->setCol(c);
    TextSupplyNo->setText(Str(r));
    hideEditors();
    showSupplyCellEditor(r, c);
}

void SupplySheet::MSFlexGridSupply_Scroll()
{
    FlexGrid *g = MSFlexGridSupply;
    if (m.selectedSupplyRow != 0 && g->Row() != 0)
        showSupplyCellEditor(g->Row(), g->Col());
}

void SupplySheet::fillReceiptList()
{
    refillCombo(ComboSupplyReceipt, freeReceiptNumbers(*m.articleList));
}

void SupplySheet::showSupplyCellEditor(int r, int c)
{
    FlexGrid *g = MSFlexGridSupply;
    const int t = g->TopRow();
    if (r > t + 16 || r < t) {
        hideEditors();
        return;
    }
    const int x = g->Left() + g->CellLeft();
    const int y = g->Top() + g->CellTop();
    const QString s = g->TextMatrix(r, c);
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
        placeEditor(ComboSupplyArticle, x, y + 15, g->Width() - 7050);
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

void SupplySheet::TextSupplyNo_Change()
{
    const int n = numberBoxChanged(m.supplyCount, [this] { CommandSupplyCancel_Click(); });
    if (n > 0) {
        int count = 0;
        ArticlePtr src;
        for (ArticlePtr cur = m.articleList->nextArticle(); cur; cur = cur->nextArticle()) {
            if (!cur->taIncome && ++count == n) {
                src = cur;
                break;
            }
        }
        if (!src)
            return;
        m.sourceSupplyArticle = src;
        auto cur = std::make_shared<MekaluArticle>();
        m.currentSupplyArticle = cur;
        DTPickerSupplyDate->setValue(src->taDate.date());
        cur->taDate = src->taDate;
        setComboText(ComboSupplyArticle, src->taArticle);
        cur->taArticle = src->taArticle;
        setComboText(ComboSupplySubArticle, src->taSubArticle);
        cur->taSubArticle = src->taSubArticle;
        setComboText(ComboSupplyReceipt, Str(src->taReceipt));
        TextSupplyAmount->setText(src->taAmount == 0 ? QString() : Str(src->taAmount));
        cur->taAmount = src->taAmount;
        // The working copy shares the detail lines themselves, not a copy.
        cur->taDetailList = src->taDetailList;
        cur->taIncome = false;
        setEditingButtons();
    }
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
    for (MekaluArticle *cur = m.articleList->taLink.get(); cur; cur = cur->taLink.get()) {
        if (cur->taReceipt != 0 && cur->taReceipt == v) {
            DTPickerSupplyDate->setValue(cur->taDate.date());
            return;
        }
    }
    ComboSupplyReceipt->hide();
}

void SupplySheet::DTPickerSupplyDate_CloseUp()
{
    m.supplyDatePicked = true;
    try {
        CommandSupplyRecord_Click();
    } catch (...) {
        m.supplyDatePicked = false;
        throw;
    }
    m.supplyDatePicked = false;
    DTPickerSupplyDate->hide();
}

void SupplySheet::CommandSupplyRecord_Click()
{
    qint32 amount = 0;
    qint16 receipt = 0;
    if (m.currentSupplyArticle) {
        // Converted before anything changes: a value that does not fit
        // leaves the list as it was and reopens the box to correct.
        const int row = m.selectedSupplyRow;
        auto reopen = [this, row](int col) {
            hideEditors();
            if (row > 0 && row < MSFlexGridSupply->Rows()) {
                MSFlexGridSupply->setRow(row);
                MSFlexGridSupply->setCol(col);
                showSupplyCellEditor(row, col);
            }
        };
        try {
            amount = readAmountField(TextSupplyAmount->text(), QStringLiteral("金額"));
        } catch (const HarumokaError &) {
            reopen(5);
            throw;
        }
        try {
            receipt = readCountField(comboText(ComboSupplyReceipt), QStringLiteral("領収書番号"));
        } catch (const HarumokaError &) {
            reopen(2);
            throw;
        }
        add32(m.nextArticleKey, 1);
    }
    hideEditors();
    if (!m.currentSupplyArticle)
        return;
    m.fileChanged = true;
    ArticlePtr cur = m.currentSupplyArticle;
    cur->taDate = makeDate(DTPickerSupplyDate->Value());
    cur->taArticle = comboText(ComboSupplyArticle);
    cur->taSubArticle = comboText(ComboSupplySubArticle);
    cur->taAmount = amount;
    if (receipt != 0) {
        for (MekaluArticle *e = m.articleList->taLink.get(); e; e = e->taLink.get()) {
            if (e != m.sourceSupplyArticle.get() && e->taReceipt == receipt) {
                main.dialogs().message(&main, QStringLiteral("この領収書番号はすでに使われています。"),
                                       Dialogs::Buttons::Ok);
                setComboText(ComboSupplyReceipt, QString());
                return;
            }
        }
    }
    if (m.sourceSupplyArticle) {
        m.articleList->deleteArticle(m.sourceSupplyArticle.get());
        m.sourceSupplyArticle.reset();
    }
    if (receipt != 0)
        cur->taReceipt = receipt;
    cur->taIncome = false;
    cur->taKey = m.nextArticleKey;
    m.nextArticleKey = add32(m.nextArticleKey, 1);
    qint32 row = 0;
    if (m.editedSupplyCol == 1 && m.supplyDatePicked)
        row = m.articleList->addArticle(cur);
    else
        m.articleList->insertNumberedArticle(cur, m.selectedSupplyRow);
    m.supplySelectionList->appendSelectionWithCount(std::make_shared<MekaluSelection>(
        comboText(ComboSupplyArticle), 1, makeDate(DTPickerSupplyDate->Value())));
    fillSupplyArticleList();
    m.summariesStale = true;
    editFlexGridSupply();
    main.fillFreeReceiptNumbers();
    MSFlexGridSupply->setRow(row);
    MSFlexGridSupply->setCol(m.editedSupplyCol);
    MSFlexGridSupply_Click();
}

void SupplySheet::CommandSupplyNew_Click()
{
    FlexGrid *g = MSFlexGridSupply;
    const int row = beginAddRow(m.supplyCount);
    m.currentSupplyArticle = std::make_shared<MekaluArticle>();
    g->setRow(row);
    g->setTextMatrix(row, 0, Str(row));
    setCellAligned(row, 1, FlexGrid::CenterCenter);
    setCellAligned(row, 3, FlexGrid::LeftCenter);
    setCellAligned(row, 5, FlexGrid::RightCenter);
    enterAddingState(row);
    setComboText(ComboSupplyReceipt, QString());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
    CommandSupplyRecord_Click();
    g->setRow(m.supplyCount);
    g->setCol(1);
    MSFlexGridSupply_Click();
}

void SupplySheet::CommandSupplyDelete_Click()
{
    m.removeEntry(m.sourceSupplyArticle);
    releaseRow(m.supplyCount, m.selectedSupplyRow, m.editedSupplyCol, 7, 6);
    CommandSupplyDetail->setEnabled(false);
    main.clearSummaryTotals();
    editFlexGridSupply();
    main.fillFreeReceiptNumbers();
}

void SupplySheet::CommandSupplyCancel_Click()
{
    m.currentSupplyArticle.reset();
    m.sourceSupplyArticle.reset();
    TextSupplyNo->setReadOnly(false);
    TextSupplyNo->clear();
    DTPickerSupplyDate->setValue(today());
    setComboText(ComboSupplyArticle, QString());
    setComboText(ComboSupplySubArticle, QString());
    TextSupplyAmount->clear();
    setIdleButtons();
}

void SupplySheet::CommandSupplyDetail_Click()
{
    if (m.selectedSupplyRow == 0)
        return;
    main.openDetailWindow();
}

void SupplySheet::fillSupplyArticleList()
{
    refillCombo(ComboSupplyArticle, selectionArticles(*m.supplySelectionList));
}
