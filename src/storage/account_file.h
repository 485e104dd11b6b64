// The account file: one class's accounts for one school year as a text file
// in code page 932 with CR LF line ends. The magic line "iMekalu135", the
// title header, then every entry (eight lines) with its detail lines between
// "<DETAIL>" and "</DETAIL>". Files beginning "iMekalu" or "Mekalu" (older
// headers) are read too.
#pragma once

#include "model/account_title.h"
#include "model/entry_list.h"
#include "model/values.h"
#include "storage/safe_save.h"

#include <QByteArray>
#include <QString>

class Document;

// The title header as a file holds it: the title, and which of its fields
// the file set (older files lack some); the others keep their values.
struct AccountHeader : AccountTitle {
    bool hasSchoolName = false, hasYearGradeRoomCharge = false, hasTitleReporter = false,
         hasCarryOverName = false;
    // `current` with the fields this header sets replaced.
    AccountTitle appliedTo(const AccountTitle &current) const;
};

// What the reader makes of a file: the entries as the file holds them, with
// keys 1, 2, 3 ... in file order, the number of entries of each kind, the
// next key, and whether the file was damaged (then what stood before the
// damage). entries() puts them in the document's order.
struct LoadedAccount {
    std::vector<EntryPtr> fileOrder;
    EntryList entries() const { return EntryList(fileOrder); }
    qint16 incomeCount = 0;
    qint16 supplyCount = 0;
    qint32 nextArticleKey = 0;
    bool documentDamaged = false;
};

// A failure of reading or writing the account file, with a message for the user.
class AccountFileError : public HarumokaError {
public:
    enum Kind {
        CannotOpen,     // nothing read
        TooLarge,       // nothing read
        NotAccountFile, // wrong first line; nothing read
        Damaged,        // the records before the damage were read
        CannotEncode,   // a value cannot be written; nothing written
        CannotWrite,    // nothing on disk changed
    };
    AccountFileError(Kind kind, const QString &message, qsizetype line = 0)
        : HarumokaError(message), m_kind(kind), m_line(line)
    {
    }
    Kind kind() const { return m_kind; }
    // 1-based line of the damage, 0 when not about a line.
    qsizetype line() const { return m_line; }

private:
    Kind m_kind;
    qsizetype m_line;
};

// Limits that keep a broken or hostile file from exhausting memory. Real
// accounts are a few hundred entries and a few tens of kilobytes.
constexpr qint64 kMaxAccountFileBytes = 16 * 1024 * 1024;
constexpr qsizetype kMaxLineLength = 32767;
constexpr qint32 kMaxDetailLinesPerEntry = 32767;
constexpr qint32 kMaxDetailLinesPerFile = 200000;

// Reads the file into `out`, filling `header` as far as it gets. Throws
// AccountFileError: on a file that cannot be opened, is too large or is not
// an account file nothing is read; on a damaged file the records before the
// damage stay and out.documentDamaged is set.
void readAccountFile(const QString &path, LoadedAccount &out, AccountHeader &header);
// The same on the file's bytes; fileName is used in messages only.
void parseAccountFile(const QByteArray &bytes, const QString &fileName, LoadedAccount &out,
                      AccountHeader &header);
// Open: reads the file and loads it into the document (which the caller has
// emptied), named after the file. A damaged file is loaded as far as it was
// read, marked damaged, and the error is thrown on; any other error leaves
// the document as it was.
void readAccountFile(const QString &path, Document &doc);

// The file's bytes for a header and the entries (in list order). Throws
// AccountFileError (CannotEncode) naming the value and the character when a
// value holds a character code page 932 cannot hold or a line break.
QByteArray encodeAccountFile(const AccountTitle &header, const EntryList &entries);
// The same for a recovery copy, which must always be written: a value the
// file cannot hold goes in as near as the file allows (line breaks as
// spaces, characters outside the code page as 〓), never refused. A date
// the file cannot hold still throws.
QByteArray encodeRecoveryCopy(const AccountTitle &header, const EntryList &entries);

// Encodes, then saves atomically after copying the old file to
// backupFileName(path). A symbolic link at path is followed: the file it
// names is saved (and backed up beside it), the link stays. Throws
// AccountFileError (CannotEncode, CannotWrite); the old file and its backup
// are then untouched. A backup that could not be updated is reported in the
// result, the save itself having succeeded. filter is for tests.
SaveResult writeAccountFile(const QString &path, const AccountTitle &header, const EntryList &entries,
                            const SaveDeviceFilter &filter = SaveDeviceFilter());

// Removes the temporary files that saves of the account at path (or of its
// backup) stopped dead left beside it; see removeStaleTemporaries. Open
// calls it once the account is locked; every save does it itself.
void removeStaleSaveTemporaries(const QString &path);

// The backup's name, always beside the file: the last suffix of the file
// name replaced by "bak" ("a.txt" -> "a.bak", "3年2組.2026.txt" ->
// "3年2組.2026.bak"); a name without a suffix, or one whose only full stop
// starts it (".hidden"), gets ".bak" appended.
QString backupFileName(const QString &path);

// Keeps an export (CSV, PDF) from destroying an account. Throws
// HarumokaError with a message when target is the same file as one of
// protectedFiles (by device and inode, so through any link; empty entries
// are ignored), when it is an existing file whose first line is an account
// file's first line, or when it is something other than a regular file.
void checkExportTarget(const QString &target, const QStringList &protectedFiles);
