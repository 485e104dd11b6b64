#include "ui/sheets/print_settings_sheet.h"

#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/sheet_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

static QComboBox *makeCombo(QWidget *parent, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    c->setValidator(new TextRule(c));
    return c;
}

static QLineEdit *makeText(QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setValidator(new TextRule(e));
    return e;
}

// A box with its label on a row of `grid`: the label names the box (for the
// access key and for screen readers).
static QLabel *addField(QGridLayout *grid, int row, int col, int span, const char *caption, QWidget *box)
{
    auto *label = new QLabel(QString::fromUtf8(caption), box->parentWidget());
    label->setBuddy(box);
    nameEditor(box, label->text());
    grid->addWidget(label, row, col);
    grid->addWidget(box, row, col + 1, 1, span);
    return label;
}

PrintSettingsSheet::PrintSettingsSheet(Document &doc, QWidget *parent) : QWidget(parent), m_doc(doc)
{
    FrameHome = new QGroupBox(QStringLiteral("会計タイトルの設定"), this);
    optTitle[0] = new QRadioButton(QStringLiteral("学級の会計"), FrameHome);
    optTitle[1] = new QRadioButton(QStringLiteral("その他の会計"), FrameHome);
    auto *titleGroup = new QButtonGroup(this);
    titleGroup->addButton(optTitle[0], 0);
    titleGroup->addButton(optTitle[1], 1);

    auto *home = new QGridLayout(FrameHome);
    home->addWidget(optTitle[0], 0, 0, 1, 2);
    home->addWidget(optTitle[1], 0, 2, 1, 2);
    // The fields of a class account's title first, then those of any other account's.
    struct Field {
        const char *caption, *labelName, *boxName;
        QWidget *box;
        int row, col, span;
    };
    const Field fields[] = {
        {"学校", "LabelSchoolName", "TextSchoolName", TextSchoolName = makeText(FrameHome), 1, 0, 3},
        {"年度", "LabelYearHome", "ComboYearHome", ComboYearHome = makeCombo(FrameHome, schoolYearItems(today())),
         2, 0, 3},
        {"学年", "LabelGradeHome", "ComboGradeHome",
         ComboGradeHome = makeCombo(FrameHome, {QStringLiteral("第１学年"), QStringLiteral("第２学年"),
                                                QStringLiteral("第３学年"), QStringLiteral("第４学年"),
                                                QStringLiteral("第５学年"), QStringLiteral("第６学年")}),
         3, 0, 1},
        {"学級", "LabelRoomHome", "ComboRoomHome",
         ComboRoomHome = makeCombo(FrameHome, {QStringLiteral("１組"), QStringLiteral("２組"), QStringLiteral("３組"),
                                               QStringLiteral("４組"), QStringLiteral("５組"), QStringLiteral("６組"),
                                               QStringLiteral("７組"), QStringLiteral("8組"), QStringLiteral("9組")}),
         3, 2, 1},
        {"担任", "LabelChargeHome", "TextChargeHome", TextChargeHome = makeText(FrameHome), 4, 0, 3},
        {"表題", "LabelTitle", "TextTitle", TextTitle = makeText(FrameHome), 5, 0, 3},
        {"報告者", "LabelReporter", "TextReporter", TextReporter = makeText(FrameHome), 6, 0, 3},
        {"繰越金の名称", "LabelCarryOver", "TextCarryOver", TextCarryOver = makeText(FrameHome), 7, 0, 3}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const Field &f = fields[i];
        QLabel *label = addField(home, f.row, f.col, f.span, f.caption, f.box);
        sheet::nameParts({{label, f.labelName}, {f.box, f.boxName}});
        m_titleFields[i] = {label, f.box};
    }

    FrameLedgerForm = new QGroupBox(QStringLiteral("元帳印刷書式の設定"), FrameHome);
    CheckPrintCarry = new QCheckBox(QStringLiteral("繰越金を期の支出とする"), FrameLedgerForm);
    auto *ledgerLayout = new QVBoxLayout(FrameLedgerForm);
    ledgerLayout->addWidget(CheckPrintCarry);

    FrameReportForm = new QGroupBox(QStringLiteral("会計報告印刷書式の設定"), FrameHome);
    ComboPrintRespect = new QComboBox(FrameReportForm);
    ComboPrintRespect->setEditable(true);
    ComboPrintRespect->setInsertPolicy(QComboBox::NoInsert);
    ComboPrintRespect->addItems({QStringLiteral("保護者各位"), QStringLiteral("保護者様"),
                                 QStringLiteral("保護者のみなさま")});
    ComboPrintRespect->setEditText(QStringLiteral("保護者各位"));
    ComboPrintRespect->setValidator(new TextRule(ComboPrintRespect));
    DTPickerPrintDate = new DatePicker(FrameReportForm);
    DTPickerPrintDate->setValue(today());
    LabelReportColumn = new QLabel(QStringLiteral("支出欄の行数"), FrameReportForm);
    OptionAltColumn1 = new QRadioButton(QStringLiteral("1行"), FrameReportForm);
    OptionAltColumn2 = new QRadioButton(QStringLiteral("２行"), FrameReportForm);
    OptionAltColumn2->setChecked(true);
    LabelReportColumn->setBuddy(OptionAltColumn1);
    auto *reportLayout = new QGridLayout(FrameReportForm);
    sheet::nameParts({{addField(reportLayout, 0, 0, 2, "報告相手の名称", ComboPrintRespect), "LabelPrintRespect"},
                      {addField(reportLayout, 1, 0, 2, "報告書の日付", DTPickerPrintDate), "LabelPrintDate"}});
    reportLayout->addWidget(LabelReportColumn, 2, 0);
    reportLayout->addWidget(OptionAltColumn1, 2, 1);
    reportLayout->addWidget(OptionAltColumn2, 2, 2);

    home->addWidget(FrameLedgerForm, 8, 0, 1, 4);
    home->addWidget(FrameReportForm, 9, 0, 1, 4);
    home->setRowStretch(10, 1);
    home->setColumnStretch(1, 1);
    home->setColumnStretch(3, 1);

    frmPrint = new QGroupBox(QStringLiteral("印刷の種類"), this);
    auto *printGroup = new QButtonGroup(this);
    auto *printLayout = new QGridLayout(frmPrint);
    for (int i = 0; i < 12; ++i) {
        optPrint[i] = new QRadioButton(Printout::fromKind(i + 1).title(), frmPrint);
        printGroup->addButton(optPrint[i], i);
        // Ledger and report of one period side by side.
        printLayout->addWidget(optPrint[i], i / 2, i % 2);
    }
    optPrint[10]->setChecked(true);

    LabelCommentHome = new QLabel(
        QStringLiteral("○ この設定は、元帳と会計報告書を印刷するときに使います。印刷のたびにチェックをしてください。"),
        this);
    LabelCommentHome->setWordWrap(true);

    auto *right = new QVBoxLayout;
    right->addWidget(frmPrint);
    right->addWidget(LabelCommentHome);
    right->addStretch(1);
    auto *top = new QHBoxLayout(this);
    top->addWidget(FrameHome, 3);
    top->addLayout(right, 2);

    connect(titleGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            titleKindChosen(id);
    });
    connect(printGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            printKindChosen(id);
    });
    optTitle[0]->setChecked(true);
    titleKindChosen(0);

    // The inner frames are named by their titles (an unnamed frame inside a
    // frame is announced by the outer one's).
    for (QGroupBox *frame : {FrameLedgerForm, FrameReportForm})
        frame->setAccessibleName(frame->title());

    sheet::nameParts({{FrameHome, "FrameHome"}, {FrameLedgerForm, "FrameLedgerForm"},
                      {CheckPrintCarry, "CheckPrintCarry"}, {FrameReportForm, "FrameReportForm"},
                      {ComboPrintRespect, "ComboPrintRespect"}, {DTPickerPrintDate, "DTPickerPrintDate"},
                      {LabelReportColumn, "LabelReportColumn"}, {OptionAltColumn1, "OptionAltColumn1"},
                      {OptionAltColumn2, "OptionAltColumn2"}, {frmPrint, "frmPrint"},
                      {LabelCommentHome, "LabelCommentHome"}});
    for (std::size_t i = 0; i < optTitle.size(); ++i)
        optTitle[i]->setObjectName(sheet::indexedName("optTitle", int(i)));
    for (std::size_t i = 0; i < optPrint.size(); ++i)
        optPrint[i]->setObjectName(sheet::indexedName("optPrint", int(i)));

    // Wired last, so that building the sheet edits nothing.
    connect(titleGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            fieldEdited();
    });
    for (QLineEdit *e : {TextSchoolName, TextChargeHome, TextTitle, TextReporter, TextCarryOver})
        connect(e, &QLineEdit::textChanged, this, [this] { fieldEdited(); });
    for (QComboBox *c : {ComboYearHome, ComboGradeHome, ComboRoomHome})
        connect(c, &QComboBox::editTextChanged, this, [this] { fieldEdited(); });
}

void PrintSettingsSheet::setPrintDate(const QDate &date)
{
    DTPickerPrintDate->setValue(date);
}

void PrintSettingsSheet::fieldEdited()
{
    AccountTitle t;
    t.classMode = optTitle[0]->isChecked();
    t.schoolName = TextSchoolName->text();
    t.schoolYear = ComboYearHome->currentText();
    t.grade = ComboGradeHome->currentText();
    t.room = ComboRoomHome->currentText();
    t.charge = TextChargeHome->text();
    t.title = TextTitle->text();
    t.reporter = TextReporter->text();
    t.carryOverName = TextCarryOver->text();
    m_doc.setTitle(t);
}

void PrintSettingsSheet::showTitle(const AccountTitle &t)
{
    // One field at a time: the sheet must not write a half-shown title back.
    const QSignalBlocker blockers[] = {QSignalBlocker(TextSchoolName), QSignalBlocker(ComboYearHome),
                                       QSignalBlocker(ComboGradeHome), QSignalBlocker(ComboRoomHome),
                                       QSignalBlocker(TextChargeHome), QSignalBlocker(TextTitle),
                                       QSignalBlocker(TextReporter),   QSignalBlocker(TextCarryOver)};
    auto setText = [](QLineEdit *e, const QString &v) {
        if (e->text() != v)
            e->setText(v);
    };
    auto setCombo = [](QComboBox *c, const QString &v) {
        if (c->currentText() != v)
            c->setEditText(v);
    };
    setText(TextSchoolName, t.schoolName);
    setCombo(ComboYearHome, t.schoolYear);
    setCombo(ComboGradeHome, t.grade);
    setCombo(ComboRoomHome, t.room);
    setText(TextChargeHome, t.charge);
    setText(TextTitle, t.title);
    setText(TextReporter, t.reporter);
    setText(TextCarryOver, t.carryOverName);
    // Last: selecting the mode reads the fields back, which now show `t`.
    if (t.classMode != classAccountMode())
        selectTitleMode(t.classMode ? 0 : 1);
}

void PrintSettingsSheet::titleKindChosen(int index)
{
    const bool classMode = index == 0;
    // The first five fields are a class account's, the others any other account's.
    for (std::size_t i = 0; i < m_titleFields.size(); ++i) {
        m_titleFields[i].first->setEnabled(classMode == (i < 5));
        m_titleFields[i].second->setEnabled(classMode == (i < 5));
    }
}

void PrintSettingsSheet::printKindChosen(int)
{
    for (int i = 0; i < 12; ++i) {
        if (optPrint[i]->isChecked()) {
            m_printKind = qint16(i + 1);
            return;
        }
    }
}

void PrintSettingsSheet::selectTitleMode(int index)
{
    if (optTitle[index]->isChecked())
        titleKindChosen(index); // selecting the selected option still runs its handler
    else
        optTitle[index]->setChecked(true);
}

bool PrintSettingsSheet::classAccountMode() const
{
    return optTitle[0]->isChecked();
}

PrintSettings PrintSettingsSheet::settings() const
{
    PrintSettings s(m_doc.title());
    s.printCarry = CheckPrintCarry->isChecked();
    s.respect = ComboPrintRespect->currentText();
    s.printDate = DTPickerPrintDate->Value();
    s.oneColumn = OptionAltColumn1->isChecked();
    return s;
}
