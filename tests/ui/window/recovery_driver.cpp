// Helper of tst_recovery: the program with an unsaved edit, waiting to be
// killed.
//   recovery_driver ACCOUNT
// opens ACCOUNT, changes the first income's amount to 7777 through the
// income sheet, waits until the recovery copy holds it, prints "ready"
// and sleeps until it is killed. With TEXT it then types X into 担任 and,
// once that is copied, TEXT into 学校, as a paste.
#include "app/application.h"
#include "app/startup.h"
#include "ui/widgets/dialogs.h"
#include "ui/window/document_commands.h"
#include "ui/widgets/flexgrid.h"
#include "ui/window/main_window.h"
#include "ui/sheets/income_sheet.h"
#include "support/parts.h"
#include "support/silent_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <sys/prctl.h>
#include <csignal>

int main(int argc, char **argv)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
    QApplication app(argc, argv);
    setupApplication(app);
    if (argc != 2 && argc != 3)
        return 2;
    SilentDialogs dialogs(true);
    auto w = Main(dialogs, QString::fromLocal8Bit(argv[1]) + QStringLiteral(".names.ini"));
    w->documentCommands().setRecoveryDelay(100);
    if (!w->documentCommands().openFile(QString::fromLocal8Bit(argv[1])))
        return 1;
    IncomeSheet *s = part<IncomeSheet>(*w, "incomeSheet");
    part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 6);
    part<QLineEdit>(*s, "TextIncomeAmount")->setText(QStringLiteral("7777"));
    part<QPushButton>(*s, "CommandIncomeRecord")->click();
    auto waitForCopy = [&w] {
        QElapsedTimer t;
        t.start();
        while (!w->documentCommands().unsavedWorkCopied() && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    waitForCopy();
    if (argc == 3) {
        part<QLineEdit>(*w, "TextChargeHome")->setText(QStringLiteral("X"));
        waitForCopy();
        part<QLineEdit>(*w, "TextSchoolName")->selectAll();
        part<QLineEdit>(*w, "TextSchoolName")->insert(QString::fromUtf8(argv[2]));
        waitForCopy();
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}
