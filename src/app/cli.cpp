#include "app/cli.h"

#include "model/document.h"
#include "model/version.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "print/print_service.h"
#include "print/printouts.h"
#include "storage/account_file.h"
#include "storage/account_lock.h"
#include "storage/companion_file.h"
#include "storage/roster_import.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <cstring>

namespace {

// Options that only an export or --print reads: without one of them they are
// an error to report, also where there is no display.
const QStringList kExportOptions = {"--kind", "--date", "--one-column", "--carry-as-expense", "--addressee"};

// --print and --printer: printing through the system's print service.
bool isPrintOption(const char *arg)
{
    return std::strcmp(arg, "--print") == 0 || std::strcmp(arg, "--printer") == 0;
}

// Reads --print or --printer at args[i]; false when args[i] is neither.
bool parsePrintOption(const QStringList &args, int &i, CommandLine &cl)
{
    if (args.at(i) == QLatin1String("--print")) {
        cl.print = true;
    } else if (args.at(i) == QLatin1String("--printer")) {
        if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
            cl.error = QStringLiteral("--printer にはプリンタの名前が必要です。");
        else
            cl.printer = args.at(++i);
    } else {
        return false;
    }
    return true;
}

// The print settings' part of parsing, once every argument is read.
void checkPrintOptions(CommandLine &cl)
{
    if (cl.error.isEmpty() && !cl.printer.isEmpty() && !cl.print && !cl.help)
        cl.error = QStringLiteral("--printer は --print と一緒に指定してください。");
}

int printThroughService(const Document &doc, const PrintSettings &ps, Printout printout, const CommandLine &cl)
{
    const PrintedJob job = printOnQueue(doc, ps, printout, cl.printer);
    QTextStream(stdout) << QStringLiteral("「%1」をプリンタ「%2」に送りました（ジョブ %3）。\n")
                               .arg(printJobName(doc.fileName(), printout), job.queue)
                               .arg(job.id);
    return 0;
}

} // namespace

bool wantsHeadless(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pdf") == 0 || std::strcmp(argv[i], "--csv") == 0
            || std::strcmp(argv[i], "--csv-encoding") == 0 || isPrintOption(argv[i])
            || std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0
            || std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "--import-roster") == 0)
            return true;
        if (kExportOptions.contains(QLatin1String(argv[i])))
            return true;
    }
    return false;
}

void keepQtNotesOffStandardError()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            QTextStream(stderr) << message << '\n';
    });
}

QString commandLineHelp()
{
    return QStringLiteral(
        "使い方: harumoka [ファイル]\n"
        "        harumoka --pdf 出力.pdf --kind 番号 [オプション] ファイル\n"
        "        harumoka --csv 出力.csv --kind 番号 [--csv-encoding utf-8] ファイル\n"
        "        harumoka --print [--printer プリンタ] --kind 番号 [オプション] ファイル\n"
        "        harumoka --import-roster 名簿.csv ファイル\n"
        "\n"
        "学級会計のファイルを開きます。--pdf か --csv を付けると、ウィンドウを開かずに\n"
        "印刷物を PDF ファイルに、またはその表を CSV ファイルに書き出します。\n"
        "--print を付けると、ウィンドウを開かずに印刷物をプリンタで印刷します。\n"
        "\n"
        "オプション:\n"
        "  --pdf 出力.pdf         印刷物を PDF ファイルに書き出す\n"
        "  --csv 出力.csv         印刷物の表（元帳の行、または期の集計表）を CSV に書き出す\n"
        "  --csv-encoding 文字コード\n"
        "                         CSV の文字コード: shift_jis（既定）か utf-8（BOM 付き）\n"
        "  --print                印刷物をプリンタ（印刷サービス CUPS）で印刷する\n"
        "  --printer プリンタ     --print の印刷先（既定は、いつも使うプリンタ）\n"
        "  --kind 番号            印刷の種類（既定は 11）:\n"
        "                          1 一学期元帳   2 一学期会計報告   3 二学期元帳   4 二学期会計報告\n"
        "                          5 三学期元帳   6 三学期会計報告   7 前期元帳     8 前期会計報告\n"
        "                          9 後期元帳    10 後期会計報告    11 年間元帳    12 年間会計報告\n"
        "                         13 集金確認表  14 未納のお知らせ（名簿と集金の記録から）\n"
        "  --date YYYY-MM-DD      会計報告の日付（既定は今日）\n"
        "  --one-column           会計報告の支出欄を 1 行に 1 項目にする（既定は 2 項目）\n"
        "  --carry-as-expense     元帳で繰越金を期の支出とする\n"
        "  --addressee 名称       会計報告の報告相手（既定は「保護者各位」）\n"
        "  --import-roster 名簿.csv\n"
        "                         出席番号,氏名 の CSV（UTF-8 か Shift_JIS）を会計の名簿に読み込む\n"
        "  -h, --help             この説明を表示する\n"
        "  --version              版を表示する\n");
}

CommandLine parseCommandLine(const QStringList &args)
{
    CommandLine cl;
    bool sawCsvEncoding = false;
    QString exportOption; // the first option that only an export uses
    auto value = [&](int &i, const QString &name) -> QString {
        // An empty value (an unset variable in a script) is no value: "--pdf ''" would open the window.
        if (i + 1 >= args.size() || args.at(i + 1).isEmpty()) {
            cl.error = QStringLiteral("%1 には値が必要です。").arg(name);
            return QString();
        }
        return args.at(++i);
    };
    for (int i = 1; i < args.size() && cl.error.isEmpty(); ++i) {
        const QString a = args.at(i);
        if (exportOption.isEmpty() && kExportOptions.contains(a))
            exportOption = a;
        if (parsePrintOption(args, i, cl))
            continue;
        if (a == QLatin1String("-h") || a == QLatin1String("--help"))
            cl.help = true;
        else if (a == QLatin1String("--version"))
            cl.version = true;
        else if (a == QLatin1String("--pdf"))
            cl.pdfPath = value(i, a);
        else if (a == QLatin1String("--csv"))
            cl.csvPath = value(i, a);
        else if (a == QLatin1String("--csv-encoding")) {
            const QString v = value(i, a);
            if (cl.error.isEmpty() && !parseCsvEncoding(v, &cl.csvEncoding))
                cl.error = QStringLiteral("--csv-encoding には shift_jis か utf-8 を指定してください。");
            sawCsvEncoding = true;
        }
        else if (a == QLatin1String("--kind")) {
            bool ok = false;
            const QString v = value(i, a);
            cl.kind = v.toInt(&ok);
            if (cl.error.isEmpty() && (!ok || cl.kind < 1 || cl.kind > Printout::kLastKind))
                cl.error = QStringLiteral("--kind には 1 から 14 までの番号を指定してください。");
        } else if (a == QLatin1String("--date")) {
            cl.date = value(i, a);
            static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
            if (cl.error.isEmpty()
                && (!iso.match(cl.date).hasMatch() || !QDate::fromString(cl.date, Qt::ISODate).isValid()))
                cl.error = QStringLiteral("--date は YYYY-MM-DD の形で指定してください。");
        } else if (a == QLatin1String("--one-column"))
            cl.oneColumn = true;
        else if (a == QLatin1String("--carry-as-expense"))
            cl.carryAsExpense = true;
        else if (a == QLatin1String("--addressee"))
            cl.addressee = value(i, a);
        else if (a == QLatin1String("--import-roster"))
            cl.rosterCsv = value(i, a);
        else if (a.startsWith(QLatin1Char('-')) && a.size() > 1)
            cl.error = QStringLiteral("知らないオプションです: %1").arg(a);
        else if (cl.file.isEmpty())
            cl.file = a;
        else
            cl.error = QStringLiteral("ファイルは一つだけ指定してください。");
    }
    checkPrintOptions(cl);
    if (cl.error.isEmpty() && cl.headless() && cl.file.isEmpty() && !cl.help)
        cl.error = QStringLiteral("書き出す学級会計のファイルを指定してください。");
    if (cl.error.isEmpty() && sawCsvEncoding && cl.csvPath.isEmpty() && !cl.help)
        cl.error = QStringLiteral("--csv-encoding は --csv と一緒に指定してください。");
    if (cl.error.isEmpty() && !exportOption.isEmpty() && !cl.headless() && !cl.help && !cl.version)
        cl.error = QStringLiteral("%1 は --pdf、--csv か --print と一緒に指定してください。").arg(exportOption);
    // One would replace the other.
    if (cl.error.isEmpty() && !cl.pdfPath.isEmpty() && !cl.csvPath.isEmpty()
        && QFileInfo(cl.pdfPath).absoluteFilePath() == QFileInfo(cl.csvPath).absoluteFilePath())
        cl.error = QStringLiteral("--pdf と --csv には別々のファイルを指定してください。");
    return cl;
}

namespace {

// --import-roster: the class list becomes the account's roster, in its
// companion file, under the account's lock; the account file is not written.
int importRoster(const CommandLine &cl, QTextStream &err)
{
    AccountLock lock(cl.file);
    const AccountLock::Verdict verdict = lock.tryLock();
    if (verdict != AccountLock::Verdict::Acquired && verdict != AccountLock::Verdict::StaleTakenOver) {
        err << lock.explain(verdict) << '\n';
        return 1;
    }
    try {
        Document doc;
        readAccountFile(cl.file, doc);
        readCompanion(cl.file, doc);
        const Roster listed = readRosterCsv(cl.rosterCsv, nextPupilId(doc.roster()));
        doc.setRoster(mergedRoster(doc.roster(), listed, [&doc](qint32 id) { return doc.hasMarks(id); }));
        writeCompanion(cl.file, doc.roster(), doc.entries());
        QTextStream(stdout) << QStringLiteral("名簿に %1 人を読み込みました: %2\n")
                                   .arg(activePupils(doc.roster()))
                                   .arg(displayPath(companionPath(cl.file)));
    } catch (const HarumokaError &e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int runHeadless(const CommandLine &cl)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    if (cl.help) {
        out << commandLineHelp();
        return 0;
    }
    if (cl.version) {
        out << versionCaption() << QLatin1Char('\n');
        return 0;
    }
    if (!cl.error.isEmpty()) {
        err << cl.error << '\n' << QStringLiteral("harumoka --help で使い方を表示します。\n");
        return 2;
    }
    if (!cl.rosterCsv.isEmpty())
        return importRoster(cl, err);
    Document doc;
    try {
        // Checked before anything is read or written: "--csv a.txt ... a.txt"
        // would otherwise replace the account with its own table.
        for (const QString &out : {cl.pdfPath, cl.csvPath}) {
            if (!out.isEmpty())
                checkExportTarget(out, {cl.file});
        }
        readAccountFile(cl.file, doc);
        // The roster and the marks, for the collections' printouts.
        readCompanion(cl.file, doc);
    } catch (const HarumokaError &e) {
        err << e.message() << '\n';
        return 1;
    }
    PrintSettings ps(doc.title());
    ps.printCarry = cl.carryAsExpense;
    ps.oneColumn = cl.oneColumn;
    ps.printDate = cl.date.isEmpty() ? today() : QDate::fromString(cl.date, Qt::ISODate);
    if (!cl.addressee.isEmpty())
        ps.respect = cl.addressee;
    try {
        // Where the window asks, a script is told, and the export goes on.
        if (const qint16 n = findDetailMismatch(doc.entries()))
            err << QStringLiteral("注意: 支出表の%1番目の記載金額と、その明細書の合計金額が違っています。\n").arg(n);
        const Printout printout = Printout::fromKind(cl.kind);
        if (!cl.pdfPath.isEmpty())
            exportPdf(doc, ps, printout, cl.pdfPath);
        if (!cl.csvPath.isEmpty())
            exportCsv(doc, ps, printout, cl.csvPath, cl.csvEncoding);
        if (cl.print)
            return printThroughService(doc, ps, printout, cl);
    } catch (const HarumokaError &e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
