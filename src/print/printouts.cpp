#include "print/printouts.h"

#include "model/document.h"
#include "model/values.h"
#include "print/collection_paper.h"
#include "print/ledger.h"
#include "print/printer_surface.h"
#include "print/recording_surface.h"
#include "print/report.h"
#include "storage/account_file.h"
#include "summary/summaries.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>

namespace {

QString carryOverSentence(qint32 remainder, const PeriodInfo &info, bool classAccountMode)
{
    return QStringLiteral("尚、残金の") + formatAmount(remainder)
        + QString::fromUtf8(classAccountMode ? info.carryOutClassEnding : info.carryOutOtherEnding);
}

} // namespace

qint16 findDetailMismatch(const EntryList &entries)
{
    const std::vector<EntryPtr> &expenses = entries.ofKind(false);
    for (size_t n = 0; n < expenses.size(); ++n) {
        const Entry &e = *expenses[n];
        if (e.details && sumDetail(*e.details) != e.amount)
            return to16(qint64(n) + 1);
    }
    return 0;
}

QString closingSentence(const PeriodSummaries &sums, const PrintSettings &ps, Printout printout)
{
    if (printout.ledger || printout.collections != Printout::NoCollections)
        return QString();
    const PeriodInfo &info = printout.info();
    if (info.carryOutClassEnding)
        return carryOverSentence(sums[printout.period].remainder(), info, ps.classMode);
    return QStringLiteral("一年間ご協力ありがとうございました。");
}

PeriodSummaries printSummaries(const Document &doc, const PrintSettings &ps)
{
    return computeSummaries(doc.entries(), ps.carryOverOverride());
}

void printKindOn(const Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 Printout printout)
{
    if (printout.collections == Printout::Checklist) {
        printChecklist(doc, s, ps);
        return;
    }
    if (printout.collections == Printout::Reminders) {
        printReminders(doc, s, ps);
        return;
    }
    if (printout.ledger) {
        printLedger(doc, sums, s, ps, printout.period);
        return;
    }
    printReport(s, ps, QString::fromUtf8(printout.info().reportLabel), sums[printout.period],
                closingSentence(sums, ps, printout));
}

void orientPrinter(QPrinter &printer, Printout printout)
{
    printer.setPageOrientation(printout.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void printKindOnPrinter(const Document &doc, const PeriodSummaries &sums, QPrinter &printer,
                        const PrintSettings &ps, Printout printout)
{
    orientPrinter(printer, printout);
    {
        RehearsalSurface rehearsal;
        printKindOn(doc, sums, rehearsal, ps, printout);
    }
    PrinterSurface surface(printer);
    printKindOn(doc, sums, surface, ps, printout);
}

QString printJobName(const QString &accountFile, Printout printout)
{
    // completeBaseName: "3年2組.txt" gives "3年2組", as the proposed PDF and CSV names do.
    const QString account = QFileInfo(accountFile).completeBaseName();
    return account.isEmpty() ? printout.title() : account + QLatin1Char(' ') + printout.title();
}

void exportPdf(const Document &doc, const PrintSettings &ps, Printout printout, const QString &pdfPath)
{
    const PeriodSummaries sums = printSummaries(doc, ps);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    PrinterSurface::preparePrinter(printer);
    printer.setDocName(printJobName(doc.fileName(), printout));
    printToPdfFile(doc, sums, printer, ps, printout, pdfPath);
}

void removeStaleExportTemporaries()
{
    const QDir folder(QDir::tempPath());
    static const QRegularExpression name(QStringLiteral("^harumoka-[A-Za-z0-9]{6}\\.pdf$"));
    for (const QString &file : folder.entryList({QStringLiteral("harumoka-*.pdf")}, QDir::Files | QDir::Hidden)) {
        if (!name.match(file).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(folder.filePath(file));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

void printToPdfFile(const Document &doc, const PeriodSummaries &sums, QPrinter &printer, const PrintSettings &ps,
                    Printout printout, const QString &pdfPath)
{
    const QString shown = QDir::toNativeSeparators(pdfPath);
    const QString cannotWrite = QStringLiteral("PDFファイル「%1」を書き込めませんでした。").arg(shown);
    if (pdfPath.isEmpty())
        throw HarumokaError(QStringLiteral("PDFファイルの名前がありません。"));
    checkExportTarget(pdfPath, {doc.fileName()});

    // Drawn into a private temporary file first, so that a failure half-way
    // leaves no truncated PDF and an older file intact; then saved as any
    // file is, which keeps the permissions of the file it replaces.
    removeStaleExportTemporaries();
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/harumoka-XXXXXX.pdf"));
    if (!temp.open())
        throw HarumokaError(cannotWrite);
    // Held while in use: a program killed half-way leaves a file nobody
    // holds, which the next export takes away.
    ::flock(temp.handle(), LOCK_EX | LOCK_NB);

    printer.setCreator(QStringLiteral("ハルモカ"));
    orientPrinter(printer, printout);
    printer.setOutputFileName(temp.fileName());
    try {
        // No rehearsal: an error half-way leaves only the temporary file,
        // which goes with it, so laying the printout out twice would buy
        // nothing here.
        PrinterSurface surface(printer);
        printKindOn(doc, sums, surface, ps, printout);
    } catch (...) {
        printer.setOutputFileName(pdfPath);
        throw;
    }
    printer.setOutputFileName(pdfPath);
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
