#pragma once

#include "ui/widgets/dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Answers the program's questions in the order a test scripted them. Any
// question that was not expected, or that differs from the expectation,
// fails the running test at once.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Open, Save, PageSetup, Print, Preview };

    // `text` must equal the message text exactly, unless `containsOnly` is set.
    ScriptedDialogs &expectMessage(const QString &text, Answer answer = Answer::Ok,
                                   bool containsOnly = false);
    ScriptedDialogs &expectMessageContaining(const QString &part, Answer answer = Answer::Ok);
    ScriptedDialogs &expectOpen(const QString &fileName); // empty: cancel
    // empty: cancel; `filter` is the filter the user leaves selected.
    ScriptedDialogs &expectSave(const QString &fileName, int filter = 0);
    ScriptedDialogs &expectPageSetup(bool accept);
    // Accepting prints to `pdfPath` (a PDF file) when given.
    ScriptedDialogs &expectPrint(bool accept, const QString &pdfPath = QString());
    ScriptedDialogs &expectPreview();

    // Answers every message as the user who says no (OK where that is all),
    // for random walks that cannot script them.
    bool lenient = false;
    std::function<void()> onMessage; // runs while a message is asked
    // True when every scripted step was used.
    bool done() const { return m_steps.isEmpty(); }
    QStringList pending() const;
    // Everything asked so far, for failure messages.
    QStringList log;
    QList<Buttons> buttonsSeen;
    QList<FileRequest> fileRequests;
    QStringList titlesSeen;
    QStringList pdfNamesSeen; // what each print dialog proposed for a PDF file

    Answer message(QWidget *parent, const QString &text, Buttons buttons, Icon icon,
                   const QString &title) override;
    QString openFileName(QWidget *parent, const FileRequest &request) override;
    // As the real dialogs do, a file answered makes its folder the last one
    // used, and a save answer gets the request's default suffix when it has none.
    QString saveFileName(QWidget *parent, const FileRequest &request, int *chosenFilter) override;
    bool pageSetup(QWidget *parent, QPrinter *printer) override;
    bool printDialog(QWidget *parent, QPrinter *printer, const QString &title,
                     const QString &pdfFileName) override;
    void printPreview(QWidget *parent, QPrinter *printer,
                      const std::function<void(QPrinter *)> &paint) override;

private:
    struct Step {
        Kind kind;
        QString text;
        bool containsOnly = false;
        Answer answer = Answer::Ok;
        bool accept = false;
        int filter = 0;
    };
    bool take(Kind kind, const QString &what, Step *out);
    QList<Step> m_steps;
};
