// Every kind of edit a user makes, done through the widgets on a saved
// account: each must reach the document through its changed signal, so that
// Close asks to save. And what is no edit (opening, closing, only looking)
// asks nothing.
#include "model/document.h"
#include "model/values.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");

enum class Edit {
    IncomeAdd, IncomeAmount, IncomeDelete, SupplyAdd, SupplyAmount, SupplyDelete,
    DetailRecord, DetailDelete, School, Year, Grade, Room, Teacher, Title, Reporter, CarryName, Mode,
    LookOnly,
};

DetailWindow *openDetail(WindowFixture &f)
{
    part<FlexGrid>(*f.w, "MSFlexGridSupply")->clickCell(1, 6);
    part<QPushButton>(*f.w, "CommandSupplyDetail")->click();
    return f.w->findChild<DetailWindow *>();
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestEdits : public QObject {
    Q_OBJECT
private slots:
    void everyEditMarksTheDocument_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("changes");
        QTest::newRow("income: add row") << Edit::IncomeAdd << true;
        QTest::newRow("income: amount") << Edit::IncomeAmount << true;
        QTest::newRow("income: delete row") << Edit::IncomeDelete << true;
        QTest::newRow("expense: add row") << Edit::SupplyAdd << true;
        QTest::newRow("expense: amount") << Edit::SupplyAmount << true;
        QTest::newRow("expense: delete row") << Edit::SupplyDelete << true;
        QTest::newRow("detail: record a line") << Edit::DetailRecord << true;
        QTest::newRow("detail: delete a line") << Edit::DetailDelete << true;
        QTest::newRow("title: school") << Edit::School << true;
        QTest::newRow("title: year") << Edit::Year << true;
        QTest::newRow("title: grade") << Edit::Grade << true;
        QTest::newRow("title: class") << Edit::Room << true;
        QTest::newRow("title: teacher") << Edit::Teacher << true;
        QTest::newRow("title: title") << Edit::Title << true;
        QTest::newRow("title: reporter") << Edit::Reporter << true;
        QTest::newRow("title: carry-over name") << Edit::CarryName << true;
        QTest::newRow("title: other account") << Edit::Mode << true;
        QTest::newRow("looking at sheets and cells") << Edit::LookOnly << false;
    }
    void everyEditMarksTheDocument()
    {
        QFETCH(Edit, edit);
        QFETCH(bool, changes);
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt"));
        // The class fields are edited on a class account, the others on another account.
        const bool classFields = edit >= Edit::School && edit <= Edit::Teacher;
        const QStringList header = classFields
            ? QStringList{"iMekalu135", "True", "小学校", "令和8年度(2026年度）", "第１学年", "１組", "山田"}
            : QStringList{"iMekalu135", "False", "PTA", "会計", "繰越"};
        writeCp932(path, header + QStringList{"True", "2026/04/10", " 30", "学級費", "", " 0", " 0", " 3000",
                                              "False", "2026/04/15", " 0", "画用紙", "", " 1", " 0", " 300",
                                              "<DETAIL>", "白", " 100", "色", " 200", "</DETAIL>"});
        QVERIFY(f.w->documentCommands().openFile(path));
        QVERIFY(!f.doc().isModified());
        QSignalSpy changed(&f.doc(), &Document::changed);
        IncomeSheet *in = part<IncomeSheet>(*f.w, "incomeSheet");
        PrintSettingsSheet *ps = part<PrintSettingsSheet>(*f.w, "printSheet");

        // The income and expense sheets have the same parts under their own names.
        const bool incomeEdit = edit == Edit::IncomeAdd || edit == Edit::IncomeAmount || edit == Edit::IncomeDelete;
        auto named = [&](const char *pattern) {
            return QString::fromLatin1(pattern).arg(incomeEdit ? "Income" : "Supply");
        };
        switch (edit) {
        case Edit::IncomeAdd:
        case Edit::SupplyAdd:
            part<QPushButton>(*f.w, named("Command%1New"))->click();
            break;
        case Edit::IncomeAmount:
        case Edit::SupplyAmount:
            part<FlexGrid>(*f.w, named("MSFlexGrid%1"))->clickCell(1, incomeEdit ? 6 : 5);
            part<QLineEdit>(*f.w, named("Text%1Amount"))->setText(incomeEdit ? "3500" : "320");
            part<QPushButton>(*f.w, named("Command%1Record"))->click();
            break;
        case Edit::IncomeDelete:
        case Edit::SupplyDelete:
            part<FlexGrid>(*f.w, named("MSFlexGrid%1"))->clickCell(1, incomeEdit ? 2 : 3);
            part<QPushButton>(*f.w, named("Command%1Delete"))->click();
            break;
        case Edit::DetailRecord:
        case Edit::DetailDelete: {
            DetailWindow *dw = openDetail(f);
            QVERIFY(dw);
            part<FlexGrid>(*dw, "MSFlexGridDetail")->clickCell(1, 2);
            if (edit == Edit::DetailRecord) {
                part<QLineEdit>(*dw, "TextDetailAmount")->setText(QStringLiteral("150"));
                part<QPushButton>(*dw, "CommandDetailRecord")->click();
            } else {
                part<QPushButton>(*dw, "CommandDetailDelete")->click();
            }
            f.dialogs.expectMessageContaining(QStringLiteral("明細表を見直しますか？"), Dialogs::Answer::No);
            part<QPushButton>(*dw, "CommandDetailClose")->click();
            break;
        }
        case Edit::School:
            commitText(part<QLineEdit>(*ps, "TextSchoolName"), QStringLiteral("さくら小学校"));
            break;
        case Edit::Year:
            part<QComboBox>(*ps, "ComboYearHome")->setCurrentIndex(2);
            break;
        case Edit::Grade:
            commitText(part<QComboBox>(*ps, "ComboGradeHome"), QStringLiteral("第２学年"));
            break;
        case Edit::Room:
            part<QComboBox>(*ps, "ComboRoomHome")->setCurrentIndex(1);
            break;
        case Edit::Teacher:
            commitText(part<QLineEdit>(*ps, "TextChargeHome"), QStringLiteral("山田"));
            break;
        case Edit::Title:
            commitText(part<QLineEdit>(*ps, "TextTitle"), QStringLiteral("（新）"));
            break;
        case Edit::Reporter:
            commitText(part<QLineEdit>(*ps, "TextReporter"), QStringLiteral("副"));
            break;
        case Edit::CarryName:
            commitText(part<QLineEdit>(*ps, "TextCarryOver"), QStringLiteral("の"));
            break;
        case Edit::Mode:
            part<QRadioButton>(*ps, "optTitle", 0)->click();
            break;
        case Edit::LookOnly:
            for (int tab = 0; tab < part<QTabWidget>(*f.w, "SSTabSheets")->count(); ++tab)
                part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(tab);
            part<FlexGrid>(*in, "MSFlexGridIncome")->clickCell(1, 2);
            part<QPushButton>(*in, "CommandIncomeCancel")->click();
            part<QRadioButton>(*ps, "optPrint", 3)->click();
            break;
        }
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.doc().isModified(), changes);
        QCOMPARE(!changed.isEmpty(), changes);
        if (changes)
            f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
        QVERIFY(f.w->documentCommands().close());
        QVERIFY(f.dialogs.done());
        // Closing is no edit either: the empty document asks nothing.
        QVERIFY(!f.doc().isModified());
        QVERIFY(f.w->documentCommands().close());
    }
};

HARUMOKA_TEST_MAIN(TestEdits)
#include "tst_edits.moc"
