// Renders the windows into PNG files for the README:
//   harumoka_screenshots ACCOUNT.txt OUTDIR
#include "app/application.h"
#include "app/qt_dialogs.h"
#include "app/startup.h"
#include "model/values.h"
#include "ui/detail/frmdetail.h"
#include "ui/main/flexgrid.h"
#include "ui/main/frmmain.h"
#include "ui/main/income_sheet.h"
#include "ui/main/print_settings_sheet.h"
#include "ui/main/supply_sheet.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    if (argc < 3)
        return 2;
    setTodayForTesting(QDate(2027, 3, 20));
    QtDialogs dialogs;
    QTemporaryDir settings;
    auto w = Main(dialogs, settings.filePath(QStringLiteral("Mekalu.ini")));
    if (!w->openFile(QString::fromLocal8Bit(argv[1])))
        return 1;
    const QDir out(QString::fromLocal8Bit(argv[2]));
    auto shoot = [&](QWidget *widget, const char *name) {
        QApplication::processEvents();
        widget->grab().save(out.filePath(QString::fromLatin1(name)));
    };
    w->printSheet->optPrint[1]->setChecked(true);
    shoot(w.get(), "settings.png");
    w->SSTabSheets->setCurrentIndex(1);
    w->incomeSheet->MSFlexGridIncome->clickCell(2, 4);
    shoot(w.get(), "income.png");
    w->SSTabSheets->setCurrentIndex(2);
    w->supplySheet->MSFlexGridSupply->clickCell(1, 6);
    shoot(w.get(), "expense.png");
    w->supplySheet->CommandSupplyDetail->click();
    if (auto *detail = w->findChild<frmDetail *>()) {
        detail->MSFlexGridDetail->clickCell(2, 2);
        shoot(detail, "detail.png");
        detail->forceUnload();
    }
    w->SSTabSheets->setCurrentIndex(4);
    shoot(w.get(), "summary.png");
    return 0;
}
