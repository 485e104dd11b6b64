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
    e->taDetailList = std::make_shared<MekaluDetail>();
    MekaluDetail *last = e->taDetailList.get();
    for (const auto &l : lines) {
        last->tdLink = std::make_shared<MekaluDetail>(l.first, l.second);
        last = last->tdLink.get();
    }
}

QStringList describe(const ArticlePtr &head)
{
    QStringList out;
    for (MekaluArticle *cur = head->taLink.get(); cur; cur = cur->taLink.get())
        out << QStringLiteral("%1:%2:%3:%4")
                   .arg(cur->taIncome ? QLatin1Char('I') : QLatin1Char('E'))
                   .arg(cur->taDate.toString(QStringLiteral("MM/dd")))
                   .arg(cur->taArticle)
                   .arg(cur->taAmount);
    return out;
}

QStringList describeArticles(const ArticlePtr &head)
{
    QStringList out;
    for (MekaluArticle *cur = head->taLink.get(); cur; cur = cur->taLink.get())
        out << cur->taArticle + QLatin1Char('=') + QString::number(cur->taAmount);
    return out;
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
