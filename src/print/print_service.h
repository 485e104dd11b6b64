// Printing without a window: a printout sent to a queue of the system's
// print service (CUPS), for a teacher who prints from a script or from a
// file manager's action.
#pragma once

#include "model/periods.h"
#include "print/print_settings.h"

#include <QString>

class Document;
class QPrinter;

struct PrintedJob {
    QString queue; // the queue that took it
    int id = 0;    // its job number there
};

// Sends a printout of the document to `queue`, or to the
// user's default queue (lpoptions, LPDEST, PRINTER, the server's default)
// when `queue` is empty. The pages are exactly those exportPdf writes (A4);
// the job is named printJobName(). Nothing is sent, and HarumokaError says
// what to do, when the print service cannot be reached, there is no such
// queue or no default one, the queue is stopped or not accepting jobs, or the
// job is refused.
// Whether the print service has a queue of that name (false when it cannot
// be reached or its library is missing).
bool isServiceQueue(const QString &queue);

// `chosen`, when given, is a print dialog's choice: its copies, pages and
// two-sided printing go with the job.
PrintedJob printOnQueue(const Document &doc, const PrintSettings &ps, Printout printout, const QString &queue,
                        const QPrinter *chosen = nullptr);
