#include "print/printouts.h"

#include "model/values.h"
#include "print/ledger.h"
#include "print/printer_surface.h"
#include "print/recording_surface.h"
#include "print/report.h"
#include "print/settings_scope.h"
#include "storage/account_file.h"
#include "summary/summaries.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <array>
#include <filesystem>
#include <sys/stat.h>

namespace {

struct KindInfo {
    int ledgerPeriod;     // for odd kinds
    const char *label;    // for even kinds
    Period period;        // whose lists a report prints
};

// Index: printKind - 1.
const std::array<KindInfo, 12> kKinds = {{
    {1, nullptr, Term1}, {0, "１学期", Term1},
    {2, nullptr, Term2}, {0, "２学期", Term2},
    {3, nullptr, Term3}, {0, "３学期", Term3},
    {4, nullptr, Half1}, {0, "前期", Half1},
    {5, nullptr, Half2}, {0, "後期", Half2},
    {0, nullptr, Year},  {0, "年度", Year},
}};

const KindInfo &kindInfo(int printKind)
{
    if (printKind < 1 || printKind > 12)
        throw HarumokaError(QStringLiteral("印刷の種類の指定が正しくありません。"));
    return kKinds[size_t(printKind - 1)];
}

QString carryOverSentence(qint32 remainder, const char *classEnding, const char *otherEnding,
                          bool classAccountMode)
{
    return QStringLiteral("尚、残金の") + formatAmount(remainder)
        + QString::fromUtf8(classAccountMode ? classEnding : otherEnding);
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

QString closingSentence(const Module1 &m, const PrintSettings &ps, int printKind)
{
    kindInfo(printKind);
    const bool cls = ps.classAccountMode;
    switch (printKind) {
    case 2:
        return carryOverSentence(periodRemainder(m, Term1),
                                 "円は第２学期学級会計に繰り越させていただきます。",
                                 "円は第２学期会計に繰り越させていただきます。", cls);
    case 4:
        return carryOverSentence(periodRemainder(m, Term2),
                                 "円は第３学期学級会計に繰り越させていただきます。",
                                 "円は第３学期会計に繰り越させていただきます。", cls);
    case 8:
        return carryOverSentence(periodRemainder(m, Half1),
                                 "円は後期学級会計に繰り越させていただきます。",
                                 "円は後期会計に繰り越させていただきます。", cls);
    case 6:
    case 10:
    case 12:
        return QStringLiteral("一年間ご協力ありがとうございました。");
    default:
        return QString();
    }
}

void printKindOn(Module1 &m, PageSurface &s, const PrintSettings &ps, int printKind)
{
    const KindInfo &info = kindInfo(printKind);
    if (printKind % 2 == 1) {
        printLedger(m, s, ps, qint16(info.ledgerPeriod));
        return;
    }
    printReport(m, s, ps, QString::fromUtf8(info.label), m.incomeLists[info.period],
                m.supplyLists[info.period], closingSentence(m, ps, printKind));
}

void printKindOnPrinter(Module1 &m, QPrinter &printer, const PrintSettings &ps, int printKind)
{
    {
        RecordingSurface rehearsal;
        printKindOn(m, rehearsal, ps, printKind);
    }
    PrinterSurface surface(printer);
    printKindOn(m, surface, ps, printKind);
}

void exportPdf(Module1 &m, const PrintSettings &ps, int printKind, const QString &pdfPath,
               const std::function<void(int period)> &fill)
{
    kindInfo(printKind);
    const QString shown = QDir::toNativeSeparators(pdfPath);
    const QString cannotWrite = QStringLiteral("PDFファイル「%1」を書き込めませんでした。").arg(shown);
    if (pdfPath.isEmpty())
        throw HarumokaError(QStringLiteral("PDFファイルの名前がありません。"));
    checkExportTarget(pdfPath, {m.currentFileName});

    {
        PrintSettingsScope scope(m, ps);
        const bool stale = m.summariesStale;
        refreshSummaries(m, fill);
        if (!fill)
            m.summariesStale = stale;
    }

    // Written beside the target and moved over it at the end, so that a
    // failure half-way leaves no truncated PDF and an older file intact.
    const QFileInfo target(pdfPath);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.harumoka-XXXXXX.pdf"));
    if (!temp.open())
        throw HarumokaError(cannotWrite);
    temp.close();

    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temp.fileName());
        PrinterSurface::preparePrinter(printer);
        printer.setDocName(Module1::periodTitle(printKind - 1));
        printer.setCreator(QStringLiteral("ハルモカ"));
        printKindOnPrinter(m, printer, ps, printKind);
    }

    if (QFileInfo(temp.fileName()).size() == 0)
        throw HarumokaError(cannotWrite);
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(temp.fileName()).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), ec);
    if (ec)
        throw HarumokaError(cannotWrite);
    temp.setAutoRemove(false);
    // A temporary file is private to its owner; the PDF gets the usual
    // permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(target.absoluteFilePath()).constData(), 0666 & ~mask);
}
