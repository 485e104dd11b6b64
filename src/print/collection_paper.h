// The collections on paper: 集金確認表, the roster × the year's collections
// on A4 across (済 with its date, 未, 免除, each column's totals), and
// 未納のお知らせ, a slip for each household that owes anything (four to an
// A4 page, with cut lines), naming only that household, what it owes on
// each collection and the total, the class and who keeps the accounts.
#pragma once

#include "model/document.h"
#include "print/page_surface.h"
#include "print/print_settings.h"

#include <QStringList>
#include <vector>

// The year's collections (incomes with a per-pupil amount), in date order.
std::vector<EntryPtr> yearCollections(const EntryList &entries);
// A collection by its breakdown ("5月分"), else its article.
QString collectionTitle(const Entry &collection);
// What a cell of the checklist says: "済 5/10", "未", "免除", "未確認",
// "" for a pupil who moved out and has no mark.
QString markText(const Entry &collection, const Pupil &pupil);

void printChecklist(const Document &doc, PageSurface &s, const PrintSettings &ps);
// Throws HarumokaError when nobody owes anything (there is nothing to print).
void printReminders(const Document &doc, PageSurface &s, const PrintSettings &ps);

// The checklist as table rows for a spreadsheet: a header row, one row per
// pupil, then the 済 count, collected and outstanding rows.
QList<QStringList> checklistRows(const Document &doc);
