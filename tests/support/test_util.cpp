#include "support/test_util.h"

#include "model/values.h"

#include <QFile>

QDate d(int y, int m, int day)
{
    return QDate(y, m, day);
}

ArticlePtr income(const QDate &date, const QString &article, qint32 amount, const QString &sub,
                  qint32 perPerson, qint16 students)
{
    auto a = std::make_shared<Entry>();
    a->income = true;
    a->date = makeDate(date);
    a->article = article;
    a->breakdown = sub;
    a->amount = amount;
    a->perPupil = perPerson;
    a->pupils = students;
    return a;
}

ArticlePtr expense(const QDate &date, const QString &article, qint32 amount, const QString &sub,
                   qint16 receipt)
{
    auto a = std::make_shared<Entry>();
    a->income = false;
    a->date = makeDate(date);
    a->article = article;
    a->breakdown = sub;
    a->amount = amount;
    a->receipt = receipt;
    return a;
}

void setDetails(const ArticlePtr &e, const QList<QPair<QString, qint32>> &lines)
{
    DetailLines &details = e->details.emplace();
    for (const auto &l : lines)
        details.append(DetailLine{l.first, l.second});
}

QStringList describe(const std::vector<EntryPtr> &entries)
{
    QStringList out;
    for (const EntryPtr &cur : entries)
        out << QStringLiteral("%1:%2:%3:%4")
                   .arg(cur->income ? QLatin1Char('I') : QLatin1Char('E'))
                   .arg(cur->date.toString(QStringLiteral("MM/dd")))
                   .arg(cur->article)
                   .arg(cur->amount);
    return out;
}

QStringList describe(const EntryList &entries)
{
    return describe(entries.entries());
}

QStringList describeArticles(const QList<Entry> &lines)
{
    QStringList out;
    for (const Entry &cur : lines)
        out << cur.article + QLatin1Char('=') + QString::number(cur.amount);
    return out;
}

EntryList listOf(const std::vector<ArticlePtr> &entries)
{
    return EntryList(std::vector<EntryPtr>(entries.begin(), entries.end()));
}



QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
