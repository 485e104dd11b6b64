#pragma once

#include "ui/widgets/dialogs.h"

// The program's dialogs: Qt's message boxes, file dialogs, print dialogs
// and print preview, in Japanese. A file chosen in a file dialog makes its
// folder the last one used.
class QtDialogs : public Dialogs {
public:
    Answer message(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                   const QString &title) override;
    QString openFileName(QWidget *parent, const FileRequest &request) override;
    QString saveFileName(QWidget *parent, const FileRequest &request, int *chosenFilter) override;
    bool pageSetup(QWidget *parent, QPrinter *printer) override;
    bool printDialog(QWidget *parent, QPrinter *printer, const QString &title,
                     const QString &pdfFileName) override;
    void printPreview(QWidget *parent, QPrinter *printer,
                      const std::function<void(QPrinter *)> &paint) override;
};
