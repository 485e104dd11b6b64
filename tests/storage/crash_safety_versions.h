// The accounts that tst_crash_safety has its helper save: large, and
// different from each other in every entry and in size, so that a file cut
// or mixed anywhere matches none of them.
#pragma once

#include "model/values.h"
#include "storage/account_file.h"

#include <memory>

constexpr int kCrashSafetyVersions = 3;

inline void makeCrashSafetyVersion(int v, LoadedAccount &m, AccountHeader &h)
{
    h.classMode = true;
    h.schoolName = QStringLiteral("第%1版　ひばり小学校").arg(v);
    h.schoolYear = QStringLiteral("令和6年度(2024年度）");
    h.grade = QStringLiteral("第１学年");
    h.room = QStringLiteral("9組");
    h.charge = QStringLiteral("山田　花子");
    const int entries = 2000 + 400 * v;
    // Dated in order, so the file order is the list order.
    for (int i = 0; i < entries; ++i) {
        auto a = std::make_shared<Entry>();
        a->date = makeDate(QDate(2024, 4, 1).addDays(i * 360 / entries));
        a->article = QStringLiteral("版%1の項目%2").arg(v).arg(i);
        a->income = i % 3 == 0;
        if (a->income) {
            a->breakdown = QStringLiteral("内訳");
            a->perPupil = 30;
            a->pupils = 30;
            a->amount = 1000 + i + v;
        } else {
            a->breakdown = QStringLiteral("店%1").arg(i % 7);
            a->receipt = qint16(i % 999 + 1);
            a->amount = 300 * (v + 1);
            DetailLines &lines = a->details.emplace();
            for (const QString &name : {QStringLiteral("ノート"), QStringLiteral("鉛筆"),
                                        QStringLiteral("消費税%1").arg(v)})
                lines.append(DetailLine{name, 100 * (v + 1)});
        }
        m.fileOrder.push_back(a);
    }
}
