#pragma once

#include "ui/widgets/dialogs.h"

#include <QStringList>
#include <cstdio>

// Answers every question with "no" and remembers it (and, with `echo`,
// writes it to stderr at once): for programs that must ask nothing, the
// benchmarks and the recovery test's driver.
class SilentDialogs : public Dialogs {
public:
    explicit SilentDialogs(bool echo = false) : m_echo(echo) {}
    Answer message(QWidget *, const QString &text, Buttons, Icon, const QString &) override
    {
        messages << text;
        if (m_echo)
            std::fprintf(stderr, "unexpected question: %s\n", qPrintable(text));
        return Answer::No;
    }
    QString openFileName(QWidget *, const FileRequest &) override { return {}; }
    QString saveFileName(QWidget *, const FileRequest &, int *) override { return {}; }
    bool pageSetup(QWidget *, QPrinter *) override { return false; }
    bool printDialog(QWidget *, QPrinter *, const QString &, const QString &) override { return false; }
    void printPreview(QWidget *, QPrinter *, const std::function<void(QPrinter *)> &) override {}

    QStringList messages;

private:
    bool m_echo;
};
