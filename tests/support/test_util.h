#pragma once

#include "model/entry_list.h"

#include <QDate>
#include <QString>
#include <QStringList>

// An entry a test is still building (the document holds read-only ones).
using ArticlePtr = std::shared_ptr<Entry>;

// Builders and printers for lists in tests.
ArticlePtr income(const QDate &d, const QString &article, qint32 amount,
                  const QString &sub = QString(), qint32 perPerson = 0, qint16 students = 0);
ArticlePtr expense(const QDate &d, const QString &article, qint32 amount,
                   const QString &sub = QString(), qint16 receipt = 0);
// Gives an expense these detail lines.
void setDetails(const ArticlePtr &e, const QList<QPair<QString, qint32>> &lines);
// "I:04/01:A:100" per entry, for compact comparisons.
QStringList describe(const std::vector<EntryPtr> &entries);
QStringList describe(const EntryList &entries);
QStringList describeArticles(const QList<Entry> &lines); // "article=amount"
// Entries in list order, as the file would be read back.
EntryList listOf(const std::vector<ArticlePtr> &entries);
QDate d(int y, int m, int day);

// A file's bytes ("<missing>" when it cannot be read), and writing them.
QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);
