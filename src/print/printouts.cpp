#include "print/printouts.h"

#include "model/document.h"
#include "model/values.h"
#include "print/ledger.h"
#include "print/printer_surface.h"
#include "print/recording_surface.h"
#include "print/report.h"
#include "storage/account_file.h"
#include "summary/summaries.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <array>

namespace {

QString carryOverSentence(qint32 remainder, const PeriodInfo &info, bool classAccountMode)
{
    return QStringLiteral("尚、残金の") + formatAmount(remainder)
        + QString::fromUtf8(classAccountMode ? info.carryOutClassEnding : info.carryOutOtherEnding);
}

} // namespace

qint16 findDetailMismatch(const MekaluArticle &list)
{
    qint16 count = 0;
    for (const MekaluArticle *e = list.taLink.get(); e; e = e->taLink.get()) {
        if (e->taIncome)
            continue;
        count = add16(count, 1);
        if (e->taDetailList && e->taDetailList->sumDetail() != e->taAmount)
            return count;
    }
    return 0;
}

QString closingSentence(const PeriodSummaries &sums, const PrintSettings &ps, int printKind)
{
    if (isLedgerKind(printKind))
        return QString();
    const Period p = printKindPeriod(printKind);
    const PeriodInfo &info = periodInfo(p);
    if (info.carryOutClassEnding)
        return carryOverSentence(sums[p].remainder(), info, ps.classMode);
    return QStringLiteral("一年間ご協力ありがとうございました。");
}

PeriodSummaries printSummaries(const Document &doc, const PrintSettings &ps)
{
    return computeSummaries(*doc.articleList(), ps.carryOverOverride(), kDefaultStudents);
}

void printKindOn(Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 int printKind)
{
    const Period p = printKindPeriod(printKind);
    if (isLedgerKind(printKind)) {
        printLedger(doc, sums, s, ps, qint16(periodInfo(p).ledgerNumber));
        return;
    }
    printReport(s, ps, QString::fromUtf8(periodInfo(p).reportLabel), sums[p].incomeList, sums[p].supplyList,
                closingSentence(sums, ps, printKind));
}

void printKindOnPrinter(Document &doc, const PeriodSummaries &sums, QPrinter &printer,
                        const PrintSettings &ps, int printKind)
{
    {
        RecordingSurface rehearsal;
        printKindOn(doc, sums, rehearsal, ps, printKind);
    }
    PrinterSurface surface(printer);
    printKindOn(doc, sums, surface, ps, printKind);
}

QString printJobName(const QString &accountFile, int printKind)
{
    // completeBaseName: "3年2組.txt" gives "3年2組", as the proposed PDF and CSV names do.
    const QString account = QFileInfo(accountFile).completeBaseName();
    return account.isEmpty() ? printoutTitle(printKind) : account + QLatin1Char(' ') + printoutTitle(printKind);
}

void exportPdf(Document &doc, const PrintSettings &ps, int printKind, const QString &pdfPath)
{
    printKindPeriod(printKind);
    const QString shown = QDir::toNativeSeparators(pdfPath);
    const QString cannotWrite = QStringLiteral("PDFファイル「%1」を書き込めませんでした。").arg(shown);
    if (pdfPath.isEmpty())
        throw HarumokaError(QStringLiteral("PDFファイルの名前がありません。"));
    checkExportTarget(pdfPath, {doc.fileName()});

    const PeriodSummaries sums = printSummaries(doc, ps);

    // Drawn into a private temporary file first, so that a failure half-way
    // leaves no truncated PDF and an older file intact; then saved as any
    // file is, which keeps the permissions of the file it replaces.
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/harumoka-XXXXXX.pdf"));
    if (!temp.open())
        throw HarumokaError(cannotWrite);
    temp.close();

    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temp.fileName());
        PrinterSurface::preparePrinter(printer);
        printer.setDocName(printJobName(doc.fileName(), printKind));
        printer.setCreator(QStringLiteral("ハルモカ"));
        printKindOnPrinter(doc, sums, printer, ps, printKind);
    }
    // QPrinter says nothing of a write that failed (a full disk): the file
    // must end as a PDF ends before it replaces anything; saving it flushes
    // it to the disk.
    QByteArray bytes;
    bool tooLarge = false;
    if (!readFileLimited(temp.fileName(), qint64(1) << 31, bytes, &tooLarge, nullptr)
        || !bytes.trimmed().endsWith("%%EOF"))
        throw HarumokaError(cannotWrite);
    try {
        saveFileAtomically(pdfPath, bytes);
    } catch (const SaveError &e) {
        throw HarumokaError(cannotWrite + QLatin1Char('\n') + e.reason());
    }
}
