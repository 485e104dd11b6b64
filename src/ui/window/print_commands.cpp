#include "ui/window/print_commands.h"

#include "ui/window/account_session.h"

#include "model/document.h"
#include "print/csv_export.h"
#include "print/printer_surface.h"
#include "print/print_service.h"
#include "print/printouts.h"
#include "ui/widgets/dialogs.h"
#include "ui/window/account_session.h"
#include "ui/window/file_requests.h"

#include <QPaintEngine>
#include <QPrinter>

PrintCommands::PrintCommands(AccountSession &session, Dialogs &dialogs, QWidget *dialogParent)
    : m_session(session), m_doc(session.document()), m_dialogs(dialogs), m_parent(dialogParent)
{
}

PrintCommands::~PrintCommands() = default;

QPrinter *PrintCommands::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PrinterSurface::preparePrinter(*m_printer);
    }
    return m_printer.get();
}

void PrintCommands::pageSetup()
{
    try {
        m_dialogs.pageSetup(m_parent, printer());
    } catch (...) {
    }
}

void PrintCommands::sendToPrinter(QPrinter &printer, Printout printout, const PrintSettings &ps,
                                  const PeriodSummaries &sums)
{
    // The dialog's "PDF file" is written as an export is: never over an
    // account file, and a failed write leaves the older file as it was.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        printToPdfFile(m_doc, sums, printer, ps, printout, printer.outputFileName());
        return;
    }
    // A queue of the print service gets the job as --print sends it, and
    // its answer is read: Qt's own printing hands a job to a stopped or
    // refusing queue without a word, and the treasurer would believe it printed.
    if (isServiceQueue(printer.printerName())) {
        printOnQueue(m_doc, ps, printout, printer.printerName(), &printer);
        return;
    }
    printKindOnPrinter(m_doc, sums, printer, ps, printout);
}

void PrintCommands::print(Printout printout, const PrintSettings &ps, const QString &accountFile)
{
    const bool collections = printout.collections != Printout::NoCollections;
    const qint16 n = collections ? 0 : findDetailMismatch(m_doc.entries());
    if (n != 0) {
        const QString question = QStringLiteral("支出表の") + QString::number(n)
            + QStringLiteral("番目の記載金額と、その明細書の合計金額が違っています。\r印刷してもいいですか？");
        if (m_dialogs.message(m_parent, question, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
    }
    const QString confirm = printout.title() + QStringLiteral("を印刷します。よろしいですか？");
    if (m_dialogs.message(m_parent, confirm, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes) {
        if (!collections) // the kind is chosen on the print settings sheet
            m_dialogs.message(m_parent, QStringLiteral("「設定」画面から、印刷の種類を選択してください。"),
                              Dialogs::Buttons::Ok);
        return;
    }
    const PeriodSummaries &sums = m_session.summaries();
    // The queue and a PDF file show the job under the account's and the printout's name.
    printer()->setDocName(printJobName(accountFile, printout));
    orientPrinter(*printer(), printout);
    if (!m_dialogs.printDialog(m_parent, printer(), QStringLiteral("ﾍﾟｰｼﾞ設定"),
                               proposedOutputPath(m_doc.fileName(), printout.title(), QStringLiteral("pdf"))))
        return;
    try {
        sendToPrinter(*printer(), printout, ps, sums);
    } catch (const HarumokaError &e) {
        // A printout that fails half-way must not look like success.
        m_dialogs.message(m_parent, QStringLiteral("印刷できませんでした。\r") + e.message(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Warning);
    }
}

void PrintCommands::preview(Printout printout, const PrintSettings &ps, const QString &accountFile)
{
    const PeriodSummaries &sums = m_session.summaries();
    QString error;
    bool printing = false;
    // The preview's print button sends the job under the same name as 印刷.
    printer()->setDocName(printJobName(accountFile, printout));
    orientPrinter(*printer(), printout);
    m_dialogs.printPreview(m_parent, printer(), [&](QPrinter *p) {
        // The preview draws through a picture engine; its print button draws
        // on the printer itself, and a PDF file then goes the export's way.
        const QPaintEngine *engine = p->paintEngine();
        printing = !engine || engine->type() != QPaintEngine::Picture;
        try {
            if (printing)
                sendToPrinter(*p, printout, ps, sums);
            else
                printKindOnPrinter(m_doc, sums, *p, ps, printout);
        } catch (const HarumokaError &e) {
            error = e.message();
        }
    });
    if (!error.isEmpty())
        m_dialogs.message(m_parent,
                          (printing ? QStringLiteral("印刷できませんでした。\r")
                                    : QStringLiteral("印刷プレビューを表示できませんでした。\r"))
                              + error,
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void PrintCommands::exportCsv(Printout printout, const PrintSettings &ps)
{
    int filter = 0;
    const QString name =
        m_dialogs.saveFileName(m_parent, csvExportRequest(m_doc.fileName(), printout.title()), &filter);
    if (name.isEmpty())
        return;
    ::exportCsv(m_doc, m_session.summaries(), ps, printout, name, chosenCsvEncoding(filter));
}
