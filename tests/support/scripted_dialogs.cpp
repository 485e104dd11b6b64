#include "support/scripted_dialogs.h"

#include "ui/window/file_requests.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QtTest>

static const char *kindName(ScriptedDialogs::Kind k)
{
    switch (k) {
    case ScriptedDialogs::Kind::Message: return "message";
    case ScriptedDialogs::Kind::Open: return "open dialog";
    case ScriptedDialogs::Kind::Save: return "save dialog";
    case ScriptedDialogs::Kind::PageSetup: return "page setup";
    case ScriptedDialogs::Kind::Print: return "print dialog";
    case ScriptedDialogs::Kind::Preview: return "print preview";
    }
    return "?";
}

ScriptedDialogs &ScriptedDialogs::expectMessage(const QString &text, Answer answer, bool containsOnly)
{
    m_steps.append({Kind::Message, text, containsOnly, answer, false});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::expectMessageContaining(const QString &part, Answer answer)
{
    return expectMessage(part, answer, true);
}

ScriptedDialogs &ScriptedDialogs::expectOpen(const QString &fileName)
{
    m_steps.append({Kind::Open, fileName, false, Answer::Ok, !fileName.isEmpty()});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::expectSave(const QString &fileName, int filter)
{
    m_steps.append({Kind::Save, fileName, false, Answer::Ok, !fileName.isEmpty(), filter});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::expectPageSetup(bool accept)
{
    m_steps.append({Kind::PageSetup, QString(), false, Answer::Ok, accept});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::expectPrint(bool accept, const QString &pdfPath)
{
    m_steps.append({Kind::Print, pdfPath, false, Answer::Ok, accept});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::expectPreview()
{
    m_steps.append({Kind::Preview, QString(), false, Answer::Ok, true});
    return *this;
}

QStringList ScriptedDialogs::pending() const
{
    QStringList out;
    for (const Step &s : m_steps)
        out << QString::fromLatin1(kindName(s.kind)) + QStringLiteral(": ") + s.text;
    return out;
}

bool ScriptedDialogs::take(Kind kind, const QString &what, Step *out)
{
    log << QString::fromLatin1(kindName(kind)) + QStringLiteral(": ") + what;
    if (m_steps.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected %1: %2")
                                    .arg(QString::fromLatin1(kindName(kind)), what)),
                     __FILE__, __LINE__);
        return false;
    }
    Step s = m_steps.takeFirst();
    bool matches = s.kind == kind;
    if (matches && kind == Kind::Message)
        matches = s.containsOnly ? what.contains(s.text) : what == s.text;
    if (!matches) {
        QTest::qFail(qPrintable(QStringLiteral("expected %1 \"%2\", got %3 \"%4\"")
                                    .arg(QString::fromLatin1(kindName(s.kind)), s.text,
                                         QString::fromLatin1(kindName(kind)), what)),
                     __FILE__, __LINE__);
        return false;
    }
    *out = s;
    return true;
}

Dialogs::Answer ScriptedDialogs::message(QWidget *, const QString &text, Buttons buttons, Icon,
                                         const QString &title)
{
    buttonsSeen << buttons;
    titlesSeen << title;
    if (onMessage)
        onMessage();
    if (lenient) {
        log << text;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    Step s;
    if (!take(Kind::Message, text, &s))
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    return s.answer;
}

QString ScriptedDialogs::openFileName(QWidget *, const FileRequest &request)
{
    fileRequests << request;
    Step s;
    if (!take(Kind::Open, request.title, &s))
        return QString();
    rememberDialogFolder(s.text);
    return s.text;
}

QString ScriptedDialogs::saveFileName(QWidget *, const FileRequest &request, int *chosenFilter)
{
    fileRequests << request;
    Step s;
    if (!take(Kind::Save, request.title, &s))
        return QString();
    if (chosenFilter)
        *chosenFilter = s.filter;
    rememberDialogFolder(s.text);
    if (!s.text.isEmpty() && !request.defaultSuffix.isEmpty() && !QFileInfo(s.text).fileName().contains(QLatin1Char('.')))
        return s.text + QLatin1Char('.') + request.defaultSuffix;
    return s.text;
}

bool ScriptedDialogs::pageSetup(QWidget *, QPrinter *)
{
    Step s;
    return take(Kind::PageSetup, QString(), &s) && s.accept;
}

bool ScriptedDialogs::printDialog(QWidget *, QPrinter *printer, const QString &title, const QString &pdfFileName)
{
    pdfNamesSeen << pdfFileName;
    Step s;
    if (!take(Kind::Print, title, &s) || !s.accept)
        return false;
    if (!s.text.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(s.text);
    }
    return true;
}

void ScriptedDialogs::printPreview(QWidget *, QPrinter *printer,
                                   const std::function<void(QPrinter *)> &paint)
{
    Step s;
    if (!take(Kind::Preview, QString(), &s))
        return;
    // Draw into a PDF so the preview's drawing path runs for real.
    printer->setOutputFormat(QPrinter::PdfFormat);
    if (printer->outputFileName().isEmpty())
        printer->setOutputFileName(QDir::temp().filePath(QStringLiteral("harumoka-preview.pdf")));
    paint(printer);
}
