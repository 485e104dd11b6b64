// The file beside an account that holds what the account file cannot: the
// class roster and each collection's paid marks. NAME.harumoka beside
// NAME.txt, so the account file stays exactly as the older program reads
// it. UTF-8 JSON with a format name and a version: a file a newer program
// wrote is recognised and left alone, never misread; fields this version
// does not know are for later versions.
//
//   {"format": "harumoka-companion", "version": 1,
//    "roster": [{"id": 1, "number": 1, "name": "𠮷田 一郎", "movedOut": false}, ...],
//    "collections": [{"date": "2026-05-08", "article": "学級費", "breakdown": "5月分",
//                     "perPupil": 1500, "occurrence": 0, "unconfirmed": false,
//                     "marks": [{"pupil": 1, "state": "paid", "date": "2026-05-10"},
//                               {"pupil": 2, "state": "exempt"}]}, ...]}
//
// A collection is found again by its date, article, breakdown and per-pupil
// amount (the n-th such income when several are alike: `occurrence`): the
// account file keeps no keys. Unpaid pupils have no mark.
#pragma once

#include "model/document.h"
#include "model/entry_list.h"
#include "model/roster.h"
#include "storage/safe_save.h"

#include <QStringList>

// NAME.harumoka for NAME.txt (the last suffix replaced; appended to a name
// without one), beside the file a link names.
QString companionPath(const QString &accountPath);
// Its backup: NAME.harumoka.bak (the account's own is NAME.bak).
QString companionBackupPath(const QString &companion);

// Whether the account has anything for the file: a roster.
bool needsCompanion(const Roster &roster);

QByteArray encodeCompanion(const Roster &roster, const EntryList &entries);

struct CompanionContent {
    Roster roster;
    // The account with each found collection's marks on its entry.
    EntryList entries;
    // Collections of the file the account no longer has (changed by
    // another program), as "5/8 学級費 5月分": their marks are not kept.
    QStringList notFound;
};
// Reads a companion's bytes against the account's entries. Throws
// HarumokaError naming the file (`fileName`) when it is damaged or written
// by a newer version.
CompanionContent decodeCompanion(const QByteArray &bytes, const QString &fileName, const EntryList &entries);

// Companion files in the account's folder whose own account is not beside
// them (NAME.harumoka without NAME.txt: an account renamed or moved by
// another program), for the user to be told.
QStringList orphanCompanions(const QString &accountPath);

// Reads the companion of an account, when there is one (false: none).
bool readCompanion(const QString &accountPath, const EntryList &entries, CompanionContent &out);
// Puts what a companion holds into the document read from its account
// (not an edit: nothing to undo, the modified mark as it was).
void applyCompanion(Document &doc, CompanionContent content);
// Reads the account's companion into the document read from it; false when there is none.
bool readCompanion(const QString &accountPath, Document &doc);

// Saves it atomically beside the account, private to its owner (children's
// names are personal data), the old one kept as its backup. Throws SaveError.
SaveResult writeCompanion(const QString &accountPath, const Roster &roster, const EntryList &entries,
                          const SaveDeviceFilter &filter = SaveDeviceFilter());
