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
    auto a = std::make_shared<MekaluArticle>();
    a->taIncome = true;
    a->taDate = makeDate(date);
    a->taArticle = article;
    a->taSubArticle = sub;
    a->taAmount = amount;
    a->taPerPerson = perPerson;
    a->taStudentsNumber = students;
    return a;
}

ArticlePtr expense(const QDate &date, const QString &article, qint32 amount, const QString &sub,
                   qint16 receipt)
{
    auto a = std::make_shared<MekaluArticle>();
    a->taIncome = false;
    a->taDate = makeDate(date);
    a->taArticle = article;
    a->taSubArticle = sub;
    a->taAmount = amount;
    a->taReceipt = receipt;
    return a;
}

void setDetails(const ArticlePtr &e, const QList<QPair<QString, qint32>> &lines)
{
    DetailLines &details = e->taDetailList.emplace();
    for (const auto &l : lines)
        details.append(MekaluDetail{l.first, l.second});
}

QStringList describe(const std::vector<EntryPtr> &entries)
{
    QStringList out;
    for (const EntryPtr &cur : entries)
        out << QStringLiteral("%1:%2:%3:%4")
                   .arg(cur->taIncome ? QLatin1Char('I') : QLatin1Char('E'))
                   .arg(cur->taDate.toString(QStringLiteral("MM/dd")))
                   .arg(cur->taArticle)
                   .arg(cur->taAmount);
    return out;
}

QStringList describe(const EntryList &entries)
{
    return describe(entries.entries());
}

QStringList describeArticles(const QList<MekaluArticle> &lines)
{
    QStringList out;
    for (const MekaluArticle &cur : lines)
        out << cur.taArticle + QLatin1Char('=') + QString::number(cur.taAmount);
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
