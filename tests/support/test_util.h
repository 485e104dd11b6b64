#pragma once

#include "model/article.h"

#include <QDate>
#include <QString>
#include <QStringList>

// Builders and printers for lists in tests.
ArticlePtr income(const QDate &d, const QString &article, qint32 amount,
                  const QString &sub = QString(), qint32 perPerson = 0, qint16 students = 0);
ArticlePtr expense(const QDate &d, const QString &article, qint32 amount,
                   const QString &sub = QString(), qint16 receipt = 0);
// Attaches a detail chain (head + the given lines) to an expense.
void setDetails(const ArticlePtr &e, const QList<QPair<QString, qint32>> &lines);
// "I:04/01:A:100" per element after the head, for compact comparisons.
QStringList describe(const ArticlePtr &head);
QStringList describeArticles(const ArticlePtr &head); // "article=amount"
QDate d(int y, int m, int day);

// A file's bytes ("<missing>" when it cannot be read), and writing them.
QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);
