// Photographs the real program for the guides, on a real X display (Xvfb,
// see scripts/screenshots.sh): the windows, a menu and message boxes as the
// screen shows them. Usage:
//   harumoka_screenshots window ACCOUNT.txt OUTDIR   the sheets, detail, undo menu,
//                                                    バージョン情報, read-only, recovery, next year
//   harumoka_screenshots dark ACCOUNT.txt OUTDIR     dark-expense.png (run under GTK's dark theme)
//   harumoka_screenshots scale2 ACCOUNT.txt OUTDIR   scale2.png, the whole screen (QT_SCALE_FACTOR=2)
//   harumoka_screenshots leave-recovery ACCOUNT.txt  edits and ends without cleaning up, so that
//                                                    the next start offers the recovery copy
// ACCOUNT.txt is changed (the recovery run edits it); give a copy. Every
// message the program shows is answered as planned below; any other is
// reported on standard error and answered No (or OK), so that a change of
// the windows shows up instead of hanging the run.
#include "app/application.h"
#include "app/qt_dialogs.h"
#include "app/startup.h"
#include "model/values.h"
#include "support/parts.h"
#include "ui/collection/collection_window.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/flexgrid.h"
#include "ui/window/main_window.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/sheets/expense_sheet.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

QDir outDir;
bool failed = false;

// Lets the window system show and paint what changed.
void settle(int ms = 500)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The screen as it is: `area` in the window's coordinates (its size when empty).
void shoot(QWidget *window, const QString &name, QRect area = QRect())
{
    settle();
    if (area.isNull())
        area = QRect(QPoint(0, 0), window->frameGeometry().size());
    const QPoint at = window->frameGeometry().topLeft() + area.topLeft();
    const QPixmap shot = window->screen()->grabWindow(0, at.x(), at.y(), area.width(), area.height());
    if (!shot.save(outDir.filePath(name))) {
        QTextStream(stderr) << "could not write " << outDir.filePath(name) << '\n';
        failed = true;
    }
}

// Qt's message boxes, shown for real when a plan says to photograph one.
class ShotDialogs : public QtDialogs {
public:
    struct Plan {
        QString part;      // a text the message contains
        Answer answer;     // what the user answers
        QString shot;      // the picture to take while it is shown; empty: none
        QWidget *window = nullptr;
        QRect area;        // in the window's coordinates
    };
    QList<Plan> plans;

    Answer message(QWidget *parent, const QString &text, Buttons buttons, Icon icon, const QString &title) override
    {
        for (int i = 0; i < plans.size(); ++i) {
            if (!text.contains(plans[i].part))
                continue;
            const Plan plan = plans.takeAt(i);
            if (plan.shot.isEmpty())
                return plan.answer;
            QTimer::singleShot(800, [plan] {
                shoot(plan.window, plan.shot, plan.area);
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                const auto button = plan.answer == Answer::Yes ? QMessageBox::Yes
                    : plan.answer == Answer::No                ? QMessageBox::No
                                                               : QMessageBox::Ok;
                if (box && box->button(button))
                    box->button(button)->click();
                else if (box)
                    box->reject();
            });
            return QtDialogs::message(parent, text, buttons, icon, title);
        }
        QTextStream(stderr) << "unexpected message (answered No): " << QString(text).replace('\r', ' ') << '\n';
        failed = true;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
};

void appendToSchoolName(MainWindow &w, const QString &text)
{
    auto *box = part<QLineEdit>(w, "TextSchoolName");
    box->setText(box->text() + text);
}

void showTab(MainWindow &w, int tab)
{
    part<QTabWidget>(w, "SSTabSheets")->setCurrentIndex(tab);
    settle(200);
}

int leaveRecovery(const QString &account)
{
    ShotDialogs dialogs;
    auto w = Main(dialogs, QDir::home().filePath(QStringLiteral("Mekalu.ini")));
    if (!w->documentCommands().openFile(account))
        return 1;
    appendToSchoolName(*w, QStringLiteral("（編集中）"));
    w->documentCommands().writeRecoveryCopy();
    // As a power cut would: no unload, the copy and the lock stay behind.
    std::fflush(nullptr);
    _exit(0);
}

void windowSet(const QString &account, const QString &settings)
{
    ShotDialogs dialogs;
    auto w = Main(dialogs, settings);
    settle(800);
    // Work an earlier run left unsaved: the question at start-up.
    dialogs.plans << ShotDialogs::Plan{QStringLiteral("復元しますか"), Dialogs::Answer::No,
                                       QStringLiteral("recovery.png"), w.get(), QRect(0, 0, 900, 360)};
    w->documentCommands().offerRecovery();
    if (!w->documentCommands().openFile(account)) {
        failed = true;
        return;
    }
    part<QRadioButton>(*w, "optPrint[10]")->setChecked(true);
    shoot(w.get(), QStringLiteral("settings.png"));
    showTab(*w, 1);
    part<FlexGrid>(*w, "MSFlexGridIncome")->clickCell(2, 4);
    shoot(w.get(), QStringLiteral("income.png"));
    showTab(*w, 2);
    part<FlexGrid>(*w, "MSFlexGridSupply")->clickCell(1, 6);
    shoot(w.get(), QStringLiteral("expense.png"));
    part<QPushButton>(*w, "CommandSupplyDetail")->click();
    settle();
    if (auto *detail = w->findChild<DetailWindow *>()) {
        part<FlexGrid>(*detail, "MSFlexGridDetail")->clickCell(2, 2);
        shoot(detail, QStringLiteral("detail.png"));
        detail->forceUnload();
    } else {
        QTextStream(stderr) << "the detail window did not open\n";
        failed = true;
    }
    showTab(*w, 4);
    shoot(w.get(), QStringLiteral("summary.png"));
    {
        CollectionWindow collection(w->document(), w->session().undoStack(), dialogs, w.get());
        collection.resize(1100, 420);
        collection.show();
        settle();
        collection.view()->setCurrentIndex(collection.table().index(1, CollectionTableModel::kFirstCollection + 1));
        shoot(&collection, QStringLiteral("collection.png"));
    }

    // An edit, and the 編集 menu naming it.
    showTab(*w, 0);
    appendToSchoolName(*w, QStringLiteral("ABC"));
    w->menuBar()->setActiveAction(part<QAction>(*w, "mnuEdit"));
    shoot(w.get(), QStringLiteral("undo.png"), QRect(0, 0, 800, 300));
    part<QAction>(*w, "mnuEdit")->menu()->hide();
    settle(200);

    dialogs.plans << ShotDialogs::Plan{QStringLiteral("ライセンス"), Dialogs::Answer::Ok,
                                       QStringLiteral("about.png"), w.get(), QRect(0, 0, 905, 420)};
    part<QAction>(*w, "mnuHelpAbout")->trigger();

    // A second window on the same account: read-only, with the notice.
    {
        dialogs.plans << ShotDialogs::Plan{QStringLiteral("読み取り専用で開きますか"), Dialogs::Answer::Yes, QString(), nullptr, QRect()};
        auto second = Main(dialogs, settings);
        second->move(w->pos());
        second->documentCommands().openFile(account);
        shoot(second.get(), QStringLiteral("read-only.png"), QRect(0, 0, 910, 120));
        second->close();
    }
    w->raise();
    w->activateWindow();

    // The next school year from this one (the edit above is not saved).
    dialogs.plans << ShotDialogs::Plan{QStringLiteral("保存しますか"), Dialogs::Answer::No, QString(), nullptr, QRect()}
                  << ShotDialogs::Plan{QStringLiteral("名簿を次の年度に引き継ぎますか"), Dialogs::Answer::Yes, QString(),
                                       nullptr, QRect()};
    w->documentCommands().nextYear();
    showTab(*w, 1);
    shoot(w.get(), QStringLiteral("next-year.png"), QRect(0, 0, 910, 330));
    dialogs.plans << ShotDialogs::Plan{QStringLiteral("保存しますか"), Dialogs::Answer::No, QString(), nullptr, QRect()};
    w->close();
}

void themeSet(const QString &kind, const QString &account, const QString &settings)
{
    ShotDialogs dialogs;
    auto w = Main(dialogs, settings);
    if (!w->documentCommands().openFile(account)) {
        failed = true;
        return;
    }
    if (kind == QLatin1String("dark")) {
        showTab(*w, 2);
        shoot(w.get(), QStringLiteral("dark-expense.png"));
    } else {
        showTab(*w, 1);
        settle(500);
        const QPixmap screen = w->screen()->grabWindow(0);
        if (!screen.save(outDir.filePath(QStringLiteral("scale2.png"))))
            failed = true;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);
    if (argc < 3) {
        QTextStream(stderr) << "usage: harumoka_screenshots window|dark|scale2 ACCOUNT OUTDIR"
                               " | leave-recovery ACCOUNT\n";
        return 2;
    }
    // The printouts' and the sheets' dates: the end of the sample's school year.
    setTodayForTesting(QDate(2027, 3, 20));
    const QString kind = QString::fromLocal8Bit(argv[1]);
    const QString account = QString::fromLocal8Bit(argv[2]);
    if (kind == QLatin1String("leave-recovery"))
        return leaveRecovery(account);
    if (argc < 4)
        return 2;
    outDir = QDir(QString::fromLocal8Bit(argv[3]));
    const QString settings = QDir::home().filePath(QStringLiteral("Mekalu.ini"));
    if (kind == QLatin1String("window"))
        windowSet(account, settings);
    else if (kind == QLatin1String("dark") || kind == QLatin1String("scale2"))
        themeSet(kind, account, settings);
    else
        return 2;
    return failed ? 1 : 0;
}
