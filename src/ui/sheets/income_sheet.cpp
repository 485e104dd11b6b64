#include "ui/sheets/income_sheet.h"

#include "model/periods.h"
#include "model/values.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/sheet_widgets.h"

#include <QFont>
#include <cmath>

using namespace sheet;

QString IncomeSheet::helpText()
{
    return QStringLiteral(
    "○ 修正したいセルの上にマウスカーソルを移動して、マウスをクリックしてください。\n"
    "○ 日付を修正すると自動的に並べ替えます。\n"
    "○ 行を挿入したいときは空白行をクリックするか、右の「行の追加」ボタンを押してください。\n"
    "○ 行を削除したいときは、削除したい行を選択し、右の「行の削除」ボタンを押してください。");
}

namespace {

// The amount box shows per pupil × pupils. A product (or a factor) that
// does not fit stays as its digits: Record refuses it with its own message.
QString collectionText(double perPupil, double pupils)
{
    if (std::fabs(perPupil) <= 2147483647.0 && std::fabs(pupils) <= 32767.0) {
        try {
            return Str(collectionAmount(qint32(perPupil), qint16(pupils)));
        } catch (const OverflowError &) {
        }
    }
    return amountBoxText(perPupil * pupils);
}

} // namespace

IncomeSheet::IncomeSheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent)
    : EntrySheet(true, doc, names, dialogs, parent)
{
    // Cell editors, laid over the clicked cell.
    DTPickerIncomeDate = new DatePicker(this);
    place(DTPickerIncomeDate, 0, 0, 1695, 360);
    ComboIncomeArticle = combo(this, 0, 0, 6325);
    ComboIncomeSubArticle = combo(this, 0, 0, 1575);
    TextIncomePerPerson = sheet::numberBox(this, true, 0, 0, 1000);
    TextIncomeStudents = sheet::numberBox(this, false, 0, 0, 560);
    UpDownIncomeStudents = new UpDown(TextIncomeStudents, this);
    place(UpDownIncomeStudents, 0, 0, 240, 360);
    TextIncomeAmount = sheet::numberBox(this, true, 0, 0, 1200);
    for (QLineEdit *e : {TextIncomePerPerson, TextIncomeStudents, TextIncomeAmount})
        e->setAlignment(Qt::AlignRight);
    TextIncomeStudents->setText(QString::number(kDefaultStudents));
    articleCombo = ComboIncomeArticle;
    subArticleCombo = ComboIncomeSubArticle;
    datePicker = DTPickerIncomeDate;
    nameParts({{DTPickerIncomeDate, "DTPickerIncomeDate"}, {ComboIncomeArticle, "ComboIncomeArticle"},
               {ComboIncomeSubArticle, "ComboIncomeSubArticle"}, {TextIncomePerPerson, "TextIncomePerPerson"},
               {TextIncomeStudents, "TextIncomeStudents"}, {UpDownIncomeStudents, "UpDownIncomeStudents"},
               {TextIncomeAmount, "TextIncomeAmount"}});

    UpDownIncomeStudents->setAccessibleName(QStringLiteral("生徒数の増減"));

    // Only the user's own change of 一人分 or 生徒数 computes the amount: a box
    // filled by a visit (a click, Tab) leaves a stored amount as it is.
    connect(TextIncomePerPerson, &QLineEdit::textEdited, this, [this] { guarded([this] { perPupilEdited(); }); });
    connect(TextIncomeStudents, &QLineEdit::textEdited, this, [this] { guarded([this] { pupilsEdited(); }); });
    connect(TextIncomeStudents, &QLineEdit::textChanged, this, [this] {
        const double n = textValue(TextIncomeStudents->text());
        if (n > 0 && n <= 32767)
            m_defaultStudents = qint16(n);
    });
    connect(TextIncomeAmount, &QLineEdit::textChanged, this, [this] { guarded([this] { amountChanged(); }); });

    enterRecords(TextIncomePerPerson, false);
    enterRecords(TextIncomeStudents, false);
    // Enter in the amount box, then (as after any key typed there) the
    // per-pupil box empties: the amount is a plain amount.
    enterRecordsOrAdds(
        TextIncomeAmount,
        [this] {
            record();
            TextIncomePerPerson->clear();
        },
        [this] {
            addRow();
            TextIncomePerPerson->clear();
        },
        false);
    // An amount the user changes is a plain amount, however it came in.
    connect(TextIncomeAmount, &QLineEdit::textEdited, TextIncomePerPerson, &QLineEdit::clear);
    wireEditors({DTPickerIncomeDate, ComboIncomeArticle, ComboIncomeSubArticle, TextIncomePerPerson,
                 TextIncomeStudents, TextIncomeAmount});
}

QList<QWidget *> IncomeSheet::cellEditors() const
{
    return {DTPickerIncomeDate, ComboIncomeArticle, ComboIncomeSubArticle, TextIncomePerPerson,
            TextIncomeStudents, UpDownIncomeStudents, TextIncomeAmount};
}

bool IncomeSheet::commitEditor(int c)
{
    if (c != 1)
        return EntrySheet::commitEditor(c);
    dateChosen();
    return true;
}

void IncomeSheet::clearForIdle()
{
    clearForCancel();
    TextIncomeStudents->setText(Str(m_defaultStudents));
}

void IncomeSheet::editorOpened(int c, int x, int y)
{
    if (c != 5)
        return;
    placeEditor(UpDownIncomeStudents, x + 560, y);
    openEditor(UpDownIncomeStudents, false);
}

void IncomeSheet::loadEntry(const Entry &src, Entry &cur)
{
    DTPickerIncomeDate->setValue(src.date.date());
    cur.date = src.date;
    setComboText(ComboIncomeArticle, src.article);
    cur.article = src.article;
    setComboText(ComboIncomeSubArticle, src.breakdown);
    cur.breakdown = src.breakdown;
    TextIncomePerPerson->setText(src.perPupil == 0 ? QString() : Str(src.perPupil));
    cur.perPupil = src.perPupil;
    TextIncomeStudents->setText(Str(src.pupils));
    cur.pupils = src.pupils;
    TextIncomeAmount->setText(src.amount == 0 ? QString() : Str(src.amount));
    cur.amount = src.amount;
}

void IncomeSheet::perPupilEdited()
{
    if (TextIncomePerPerson->isReadOnly())
        return;
    const QString text = TextIncomePerPerson->text();
    if (text.endsWith(QLatin1Char('-')))
        return;
    const double p = textValue(text, true);
    if (p == 0) {
        TextIncomePerPerson->clear();
        return;
    }
    TextIncomeAmount->setText(collectionText(p, textValue(TextIncomeStudents->text())));
}

void IncomeSheet::pupilsEdited()
{
    const double n = textValue(TextIncomeStudents->text());
    if (n > 0 && !TextIncomePerPerson->text().isEmpty())
        TextIncomeAmount->setText(collectionText(textValue(TextIncomePerPerson->text(), true), n));
}

void IncomeSheet::amountChanged()
{
    amountBoxChanged(TextIncomeAmount);
}

void IncomeSheet::dateChosen()
{
    record();
    // The record's click reopened the picker on the entry's (new) row.
    hideEditors();
}

void IncomeSheet::checkBoxes()
{
    // Every value is converted before the list is touched: a value that does
    // not fit leaves the entry list as it was and reopens the box to correct.
    checkDateTyping();
    readOrReopen(4, [this] { return readAmountField(TextIncomePerPerson->text(), QStringLiteral("一人分")); });
    readOrReopen(5, [this] { return readCountField(TextIncomeStudents->text(), QStringLiteral("生徒数")); });
    readOrReopen(6, [this] {
        try {
            return readAmountField(TextIncomeAmount->text(), QStringLiteral("金額"));
        } catch (const HarumokaError &) {
            if (TextIncomePerPerson->text().isEmpty())
                throw;
            throw HarumokaError(
                QStringLiteral("「一人分」×「生徒数」の金額が大きすぎます。一人分か生徒数を直してください。"));
        }
    });
}

bool IncomeSheet::readBoxes(Entry &cur)
{
    cur.date = makeDate(DTPickerIncomeDate->Value());
    cur.article = comboText(ComboIncomeArticle);
    cur.breakdown = comboText(ComboIncomeSubArticle);
    cur.perPupil = readAmountField(TextIncomePerPerson->text(), QStringLiteral("一人分"));
    cur.pupils = readCountField(TextIncomeStudents->text(), QStringLiteral("生徒数"));
    cur.amount = readAmountField(TextIncomeAmount->text(), QStringLiteral("金額"));
    return true;
}

void IncomeSheet::prepareNewRow(int)
{
    m_defaultStudents = readCountField(TextIncomeStudents->text(), QStringLiteral("生徒数"));
    setComboText(ComboIncomeArticle, QString());
    setComboText(ComboIncomeSubArticle, QString());
    TextIncomePerPerson->clear();
    TextIncomeAmount->clear();
}

void IncomeSheet::clearForCancel()
{
    DTPickerIncomeDate->setValue(today());
    setComboText(ComboIncomeArticle, QString());
    setComboText(ComboIncomeSubArticle, QString());
    TextIncomePerPerson->clear();
    TextIncomeAmount->clear();
}
