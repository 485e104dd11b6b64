// The commands that put the account on paper or into another file: page
// setup, print, print preview and CSV export, with the printer they share.
// No widgets of its own: questions go through Dialogs; the window hands in
// the printout and the settings its print settings sheet shows.
#pragma once

#include "print/print_settings.h"
#include "summary/summaries.h"

#include <QObject>
#include <utility>
#include <memory>

class AccountSession;
class Dialogs;
class Document;
class QPrinter;
class QWidget;

class PrintCommands : public QObject {
    Q_OBJECT
public:
    // `dialogParent` is the window the questions belong to (may be null).
    PrintCommands(AccountSession &session, Dialogs &dialogs, QWidget *dialogParent);
    ~PrintCommands() override;

    // Made on first use, so that starting the program asks no printer anything.
    QPrinter *printer();
    // Ends quietly whatever happens.
    void pageSetup();
    // Of the session's account and its summaries; `accountFile` the open
    // file (empty for an account without a name), which names the print job.
    // The questions and dialogs that follow belong to `window` (another
    // window than the main one asked); returns the one they belonged to.
    QWidget *setDialogParent(QWidget *window) { return std::exchange(m_parent, window); }
    void print(Printout printout, const PrintSettings &ps, const QString &accountFile);
    void preview(Printout printout, const PrintSettings &ps, const QString &accountFile);
    // Throws HarumokaError when the file cannot be written.
    void exportCsv(Printout printout, const PrintSettings &ps);

private:
    // A PDF file, a queue of the print service, or another printer Qt drives.
    void sendToPrinter(QPrinter &printer, Printout printout, const PrintSettings &ps, const PeriodSummaries &sums);

    AccountSession &m_session;
    const Document &m_doc;
    Dialogs &m_dialogs;
    QWidget *m_parent;
    std::unique_ptr<QPrinter> m_printer;
};
