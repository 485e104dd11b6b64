// The accounting report (会計報告): the letter for the households with the
// period's totals, its income grouped by article with the per-pupil
// breakdown, its expenses (detail lines in place of the expense they
// itemise) in one or two columns, the closing sentences, date and signature.
#pragma once

#include "print/page_surface.h"
#include "print/print_settings.h"
#include "summary/summaries.h"

#include <QDate>

// Draws the whole report from a period's summary (its income and expense
// lists and totals) and ends the document. `label` is the period as the
// title names it ("１学期", "年度"), `closing` the sentence above the date.
// Throws HarumokaError (an overflow, a printer failure).
void printReport(PageSurface &s, const PrintSettings &ps, const QString &label, const PeriodSummary &period,
                 const QString &closing);

// "平成15年4月5日", "令和8年12月7日"; an invalid date means today.
QString reportDateText(const QDate &d);
QString reportTitle(const PrintSettings &ps, const QString &label);
QString reportSignature(const PrintSettings &ps);
