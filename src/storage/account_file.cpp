#include "storage/account_file.h"

#include "model/document.h"
#include "storage/codec.h"
#include "storage/number_line.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kMagic = QStringLiteral("iMekalu135");
const QString kMagicOlder = QStringLiteral("iMekalu");
const QString kMagicOldest = QStringLiteral("Mekalu");
const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");
const QString kDetailBegin = QStringLiteral("<DETAIL>");
const QString kDetailEnd = QStringLiteral("</DETAIL>");

QString kindName(bool income)
{
    return income ? QStringLiteral("収入") : QStringLiteral("支出");
}

// A value quoted in a message, cut short: a line can be 32,767 characters
// long, and the message has to fit a message box.
QString shown(const QString &value)
{
    constexpr qsizetype kShown = 60;
    if (value.size() <= kShown)
        return value;
    const qsizetype keep = value[kShown - 1].isHighSurrogate() ? kShown - 1 : kShown;
    return value.left(keep) + QStringLiteral("…");
}

// ---- reading ------------------------------------------------------------------

class Reader {
public:
    // badWhy: why the text ends where it does (bytes that are not code page
    // 932 text follow); empty when it holds the whole file.
    Reader(const QString &fileName, const QString &text, const QString &badWhy, LoadedAccount &out,
           AccountHeader &header)
        : m_fileName(fileName), m_cursor(text), m_badBytes(!badWhy.isEmpty()), m_badWhy(badWhy), m_m(out),
          m_header(header)
    {
    }

    void run()
    {
        readMagic();
        readHeader();
        m_m.nextArticleKey = 1;
        readRecords();
    }

private:
    // A line that cannot be decoded still counts as more file: reading it reports it.
    bool atEnd() const { return m_cursor.atEnd() && !m_badBytes; }

    [[noreturn]] void damaged(qsizetype line, const QString &what)
    {
        m_m.documentDamaged = true;
        throw AccountFileError(
            AccountFileError::Damaged,
            QStringLiteral("ファイル「%1」は壊れているため、途中までしか読み込めませんでした。\n"
                           "%2 行目: %3\n"
                           "それより前に書かれていたデータは読み込まれています。")
                .arg(displayPath(m_fileName), QString::number(line), what),
            line);
    }

    [[noreturn]] void notAccountFile()
    {
        throw AccountFileError(AccountFileError::NotAccountFile,
                               QStringLiteral("ファイル「%1」は学級会計のファイルではありません。")
                                   .arg(displayPath(m_fileName)),
                               1);
    }

    // What a line should hold, for the message when it does not: put
    // together ("収入" + "の「日付」") only when there is a message to give.
    struct What {
        What(const QString &text) : first(text) {}
        What(QStringView kind, QStringView field) : first(kind), second(field) {}
        QString text() const { return first.toString().append(second); }
        QStringView first;
        QStringView second;
    };

    // The next line, where `what` says what the line should hold.
    QString readLine(const What &what) { return nextLine(what).toString(); }

    // Names repeat: a year has a few dozen articles and breakdowns over
    // thousands of entries. Each is kept once and shared, which saves an
    // allocation and a copy per entry and the memory of the copies. The table
    // is bounded, so a file whose names all differ costs what copying costs.
    QString readName(const What &what)
    {
        const QStringView line = nextLine(what);
        if (line.isEmpty())
            return QString();
        const auto it = m_names.constFind(line);
        if (it != m_names.cend())
            return *it;
        QString name = line.toString();
        if (m_names.size() < kMaxSharedNames)
            m_names.insert(QStringView(name), name); // the key views the kept copy's own characters
        return name;
    }

    // The same as a view into the decoded text.
    QStringView nextLine(const What &what)
    {
        if (m_cursor.atEnd()) {
            if (m_badBytes)
                damaged(m_cursor.lineNumber() + 1, badBytesText(what));
            damaged(m_cursor.lineNumber() + 1,
                    QStringLiteral("ファイルが途中で終わっています（%1の行があるはずです）。").arg(what.text()));
        }
        const QStringView line = m_cursor.next();
        const bool cutOff = m_cursor.atEnd() && !m_cursor.lastLineTerminated();
        if (m_badBytes && cutOff)
            damaged(m_cursor.lineNumber(), badBytesText(what));
        if (line.size() > kMaxLineLength)
            damaged(m_cursor.lineNumber(),
                    QStringLiteral("行が長すぎます（%1の行のはずですが、%2 文字を超えています）。")
                        .arg(what.text(), formatAmount(kMaxLineLength)));
        // The writer ends every line: a last line without its end was cut
        // off and may hold only part of its value ("32" of "32000").
        if (cutOff)
            damaged(m_cursor.lineNumber(), cutOffText(what));
        return line;
    }

    static QString cutOffText(const What &what)
    {
        return QStringLiteral("ファイルが途中で終わっています（%1の行が最後まで書かれていません）。").arg(what.text());
    }

    QString badBytesText(const What &what) const
    {
        return QStringLiteral("%1（%2の行のはずです）。").arg(m_badWhy, what.text());
    }

    qint64 readNumber(const What &what, qint64 low, qint64 high)
    {
        const QStringView line = nextLine(what);
        qint64 value = 0;
        switch (parseNumberLine(line, low, high, &value)) {
        case NumberLine::Ok:
            return value;
        case NumberLine::OutOfRange:
            damaged(m_cursor.lineNumber(),
                    QStringLiteral("「%1」は%2として扱える範囲（%3～%4）を超えています。")
                        .arg(shown(line.trimmed().toString()), what.text(), formatAmount(low), formatAmount(high)));
        case NumberLine::NotANumber:
            break;
        }
        if (line.trimmed().isEmpty())
            damaged(m_cursor.lineNumber(),
                    QStringLiteral("%1の行が空です（数が書かれているはずです）。").arg(what.text()));
        damaged(m_cursor.lineNumber(),
                QStringLiteral("「%1」は数として読めません（%2の行のはずです）。").arg(shown(line.toString()), what.text()));
    }
    qint16 read16(const What &what)
    {
        return qint16(readNumber(what, std::numeric_limits<qint16>::min(),
                                 std::numeric_limits<qint16>::max()));
    }
    qint32 read32(const What &what)
    {
        return qint32(readNumber(what, std::numeric_limits<qint32>::min(),
                                 std::numeric_limits<qint32>::max()));
    }
    QDateTime readDate(const What &what)
    {
        const QStringView line = nextLine(what);
        const QDateTime d = parseDate(line);
        if (!d.isValid())
            damaged(m_cursor.lineNumber(), QStringLiteral("「%1」は日付として読めません（%2の行のはずです）。")
                                               .arg(shown(line.toString()), what.text()));
        return d;
    }

    void readMagic()
    {
        if (m_cursor.atEnd())
            notAccountFile();
        const QStringView first = m_cursor.next();
        const bool cutOff = m_cursor.atEnd() && !m_cursor.lastLineTerminated();
        if (m_badBytes && cutOff)
            notAccountFile();
        if (cutOff && (first == kMagic || first == kMagicOlder || first == kMagicOldest))
            damaged(1, cutOffText(QStringLiteral("先頭")));
        if (first == kMagic)
            m_magic = kMagic;
        else if (first == kMagicOlder)
            m_magic = kMagicOlder;
        else if (first == kMagicOldest)
            m_magic = kMagicOldest;
        else
            notAccountFile();
    }

    void readYearGradeRoomCharge()
    {
        m_header.hasYearGradeRoomCharge = true;
        m_header.schoolYear = readLine(QStringLiteral("「年度」"));
        m_header.grade = readLine(QStringLiteral("「学年」"));
        m_header.room = readLine(QStringLiteral("「学級」"));
        m_header.charge = readLine(QStringLiteral("「担任」"));
    }

    void readHeader()
    {
        if (m_magic == kMagicOldest) {
            m_header.classMode = true;
            readYearGradeRoomCharge();
            return;
        }
        const QString mode = readLine(QStringLiteral("表題の種類（True または False）"));
        if (mode == kTrue) {
            m_header.classMode = true;
            if (m_magic == kMagic) {
                m_header.hasSchoolName = true;
                m_header.schoolName = readLine(QStringLiteral("「学校」"));
            }
            readYearGradeRoomCharge();
        } else {
            m_header.classMode = false;
            m_header.hasTitleReporter = true;
            m_header.title = readLine(QStringLiteral("「表題」"));
            m_header.reporter = readLine(QStringLiteral("「報告者」"));
            // Read by position, so a name "True" or "False" is not taken for an entry.
            m_header.hasCarryOverName = true;
            m_header.carryOverName = readLine(QStringLiteral("「繰越金の名称」"));
        }
    }

    void readRecords()
    {
        while (!atEnd()) {
            QStringView line = nextLine(QStringLiteral("収入か支出か（True または False）"));
            if (line == kDetailBegin) {
                if (!m_last)
                    damaged(m_cursor.lineNumber(),
                            QStringLiteral("明細の始まり「<DETAIL>」の前に収入・支出の行がありません。"));
                readDetailBlock();
                if (atEnd())
                    break;
                line = nextLine(QStringLiteral("収入か支出か（True または False）"));
            }
            if (line != kTrue && line != kFalse) {
                if (line == kDetailBegin || line == kDetailEnd)
                    damaged(m_cursor.lineNumber(),
                            QStringLiteral("明細の区切り「%1」がここにあるはずがありません。").arg(line));
                // A line between records names the carry-over.
                m_header.hasCarryOverName = true;
                m_header.carryOverName = line.toString();
                if (atEnd())
                    break;
                line = nextLine(QStringLiteral("収入か支出か（True または False）"));
            }
            readEntry(line == kTrue);
        }
    }

    void readEntry(bool income)
    {
        const qsizetype firstLine = m_cursor.lineNumber();
        qint16 &count = income ? m_m.incomeCount : m_m.supplyCount;
        if (count == std::numeric_limits<qint16>::max())
            damaged(firstLine, QStringLiteral("%1の件数が多すぎます（%2 件まで）。")
                                   .arg(kindName(income), formatAmount(count)));
        const QString k = kindName(income);
        // Changed only while it is read (its detail lines follow it).
        auto a = std::make_shared<Entry>();
        a->income = income;
        a->date = readDate({k, u"の「日付」"});
        a->pupils = read16({k, u"の「生徒数」"});
        a->article = readName({k, u"の「項目」"});
        a->breakdown = readName({k, u"の「内訳」"});
        a->receipt = read16({k, u"の「領収書番号」"});
        a->perPupil = read32({k, u"の「一人分」"});
        a->amount = read32({k, u"の「金額」"});
        a->key = m_m.nextArticleKey;
        m_m.nextArticleKey = add32(m_m.nextArticleKey, 1);
        m_m.fileOrder.push_back(a);
        count = add16(count, 1);
        m_last = a;
    }

    void readDetailBlock()
    {
        DetailLines &details = m_last->details.emplace();
        qint32 lines = 0;
        for (;;) {
            const QString article = readName(QStringLiteral("明細の「項目」または明細の終わり「</DETAIL>」"));
            if (article == kDetailEnd)
                break;
            if (lines == kMaxDetailLinesPerEntry)
                damaged(m_cursor.lineNumber(),
                        QStringLiteral("明細の行が多すぎます（1 件につき %1 行まで）。")
                            .arg(formatAmount(kMaxDetailLinesPerEntry)));
            if (m_detailLines == kMaxDetailLinesPerFile)
                damaged(m_cursor.lineNumber(),
                        QStringLiteral("明細の行が多すぎます（ファイル全体で %1 行まで）。")
                            .arg(formatAmount(kMaxDetailLinesPerFile)));
            ++lines;
            ++m_detailLines;
            const qint32 amount = read32(QStringLiteral("明細の「金額」"));
            details.append(DetailLine{article, amount});
        }
    }

    QString m_fileName;
    LineCursor m_cursor;
    bool m_badBytes;
    QString m_badWhy;
    LoadedAccount &m_m;
    AccountHeader &m_header;
    QString m_magic;
    std::shared_ptr<Entry> m_last;
    qint32 m_detailLines = 0;
    static constexpr qsizetype kMaxSharedNames = 4096;
    QHash<QStringView, QString> m_names;
};

// ---- writing ------------------------------------------------------------------

class Writer {
public:
    // A lenient writer never refuses: what the file cannot hold is written
    // as near as it can be (see encodeRecoveryCopy).
    explicit Writer(bool lenient) : m_lenient(lenient) {}
    QByteArray take() { return std::move(m_out); }

    void ascii(const QString &value)
    {
        m_out += value.toLatin1();
        m_out += "\r\n";
    }

    template <typename Where>
    void text(const QString &given, Where where)
    {
        const QString value = m_lenient ? nearestStorable(given) : given;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'\r' || value[i] == u'\n')
                refuse(where(), value,
                       QStringLiteral("改行を含む値は保存できません。改行を取り除いてから保存してください。"));
            // Read back, these mark text of another encoding: the file would open as damaged.
            if (value[i] == u'\x1b' || value[i] == u'\x0e' || value[i] == u'\x0f')
                refuse(where(), value, QStringLiteral("制御文字（ESC など）を含む値は保存できません。取り除いてから保存してください。"));
        }
        if (value.size() > kMaxLineLength)
            refuse(where(), value,
                   QStringLiteral("値が長すぎます（%1 文字まで）。").arg(formatAmount(kMaxLineLength)));
        qsizetype bad = 0;
        if (!m_codec.encode(value, m_out, &bad)) {
            const QString c = characterAt(value, bad);
            const uint code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
            refuse(where(), value,
                   QStringLiteral("文字「%1」（U+%2）はシフトJIS（コードページ932）で表せません。"
                                  "別の文字に置き換えてから保存してください。")
                       .arg(c, QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper()));
        }
        m_out += "\r\n";
    }

    template <typename Where>
    void date(const QDateTime &value, Where where)
    {
        const int year = value.date().year();
        if (!value.isValid() || year < 100 || year > 9999)
            refuse(where(), generalDate(value),
                   QStringLiteral("日付がないか、ファイルに書けない日付です。"));
        ascii(generalDate(value));
    }

    [[noreturn]] static void refuse(const QString &where, const QString &value, const QString &why)
    {
        throw AccountFileError(AccountFileError::CannotEncode,
                               QStringLiteral("保存できない値があるため、保存しませんでした。\n"
                                              "場所: %1\n値: 「%2」\n%3")
                                   .arg(where, shown(value), why));
    }

private:
    // Line breaks become spaces, a character the file cannot hold 〓 (the
    // printer's mark for a missing character), and the value is cut to
    // the longest line the file reads.
    static QString nearestStorable(const QString &value)
    {
        QString near;
        for (qsizetype i = 0; i < value.size() && near.size() < kMaxLineLength;) {
            QString c = characterAt(value, i);
            i += c.size();
            if (c == u"\r" || c == u"\n")
                c = QStringLiteral(" ");
            else if (!isStorableText(c))
                c = QStringLiteral("〓");
            near += c;
        }
        return near.left(kMaxLineLength);
    }

    bool m_lenient;
    Cp932Codec m_codec;
    QByteArray m_out;
};

auto field(const QString &name)
{
    return [name] { return QStringLiteral("「%1」の欄").arg(name); };
}

} // namespace

AccountTitle AccountHeader::appliedTo(const AccountTitle &current) const
{
    AccountTitle t = current;
    t.classMode = classMode;
    if (hasSchoolName)
        t.schoolName = schoolName;
    if (hasYearGradeRoomCharge) {
        t.schoolYear = schoolYear;
        t.grade = grade;
        t.room = room;
        t.charge = charge;
    }
    if (hasTitleReporter) {
        t.title = title;
        t.reporter = reporter;
    }
    if (hasCarryOverName)
        t.carryOverName = carryOverName;
    return t;
}

void parseAccountFile(const QByteArray &bytes, const QString &fileName, LoadedAccount &m,
                      AccountHeader &header)
{
    m.incomeCount = 0;
    m.supplyCount = 0;
    m.documentDamaged = false;
    QString text;
    Cp932Codec codec;
    QString badWhy;
    // Text of another encoding would be read as other characters: damage from there on.
    const qsizetype foreign = foreignTextOffset(bytes);
    if (foreign >= 0) {
        codec.decode(QByteArrayView(bytes).first(foreign), text);
        badWhy = QStringLiteral("ISO-2022-JP や UTF-8 など、シフトJIS（コードページ932）ではない文字コードの文字があります");
    } else if (!codec.decode(bytes, text)) {
        badWhy = QStringLiteral("シフトJIS（コードページ932）として読めない文字があります");
    }
    Reader(fileName, text, badWhy, m, header).run();
}

void readAccountFile(const QString &path, LoadedAccount &m, AccountHeader &header)
{
    m.incomeCount = 0;
    m.supplyCount = 0;
    m.documentDamaged = false;
    QByteArray bytes;
    bool tooLarge = false;
    QString error;
    if (!readFileLimited(path, kMaxAccountFileBytes, bytes, &tooLarge, &error)) {
        if (tooLarge)
            throw AccountFileError(AccountFileError::TooLarge,
                                   QStringLiteral("ファイル「%1」は大きすぎるため開けません（%2 MB まで）。"
                                                  "学級会計のファイルではないかもしれません。")
                                       .arg(displayPath(path))
                                       .arg(kMaxAccountFileBytes / (1024 * 1024)));
        throw AccountFileError(AccountFileError::CannotOpen,
                               QStringLiteral("ファイル「%1」を開けませんでした。\n%2")
                                   .arg(displayPath(path), error));
    }
    parseAccountFile(bytes, path, m, header);
}

void readAccountFile(const QString &path, Document &doc)
{
    LoadedAccount loaded;
    AccountHeader header;
    try {
        readAccountFile(path, loaded, header);
    } catch (const AccountFileError &e) {
        // What could be read of a damaged file is shown; nothing else is touched.
        if (e.kind() == AccountFileError::Damaged)
            doc.load(loaded.entries(), header.appliedTo(doc.title()), loaded.nextArticleKey, true, path);
        throw;
    }
    doc.load(loaded.entries(), header.appliedTo(doc.title()), loaded.nextArticleKey, false, path);
}

static QByteArray encodeAccount(const AccountTitle &header, const EntryList &entries, bool lenient)
{
    Writer w(lenient);
    w.ascii(kMagic);
    if (header.classMode) {
        w.ascii(kTrue);
        w.text(header.schoolName, field(QStringLiteral("学校")));
        w.text(header.schoolYear, field(QStringLiteral("年度")));
        w.text(header.grade, field(QStringLiteral("学年")));
        w.text(header.room, field(QStringLiteral("学級")));
        w.text(header.charge, field(QStringLiteral("担任")));
    } else {
        w.ascii(kFalse);
        w.text(header.title, field(QStringLiteral("表題")));
        w.text(header.reporter, field(QStringLiteral("報告者")));
        w.text(header.carryOverName, field(QStringLiteral("繰越金の名称")));
    }

    qint64 incomeNo = 0, supplyNo = 0;
    for (const EntryPtr &a : entries.entries()) {
        const qint64 no = a->income ? ++incomeNo : ++supplyNo;
        const QString entry = QStringLiteral("%1 No.%2 の").arg(kindName(a->income)).arg(no);
        w.ascii(a->income ? kTrue : kFalse);
        w.date(a->date, [&] { return entry + QStringLiteral("「日付」"); });
        w.ascii(Str(a->pupils));
        w.text(a->article, [&] { return entry + QStringLiteral("「項目」"); });
        w.text(a->breakdown, [&] { return entry + QStringLiteral("「内訳」"); });
        w.ascii(Str(a->receipt));
        w.ascii(Str(a->perPupil));
        w.ascii(Str(a->amount));

        if (!a->details)
            continue;
        // Leading blank lines are left out; blank lines after the first
        // non-blank one are kept.
        const DetailLines &details = *a->details;
        auto d = firstNonBlankDetail(details);
        if (d == details.cend())
            continue;
        qint64 lineNo = 1 + (d - details.cbegin());
        w.ascii(kDetailBegin);
        for (; d != details.cend(); ++d, ++lineNo) {
            auto where = [&] {
                return entry + QStringLiteral("明細 %1 行目の「項目」").arg(lineNo);
            };
            if (d->article == kDetailEnd && !lenient)
                Writer::refuse(where(), d->article,
                               QStringLiteral("明細の終わりの印と同じ文字列は明細の項目にできません。"));
            w.text(d->article == kDetailEnd ? d->article + QStringLiteral(" ") : d->article, where);
            w.ascii(Str(d->amount));
        }
        w.ascii(kDetailEnd);
    }
    return w.take();
}

QByteArray encodeAccountFile(const AccountTitle &header, const EntryList &entries)
{
    return encodeAccount(header, entries, false);
}

QByteArray encodeRecoveryCopy(const AccountTitle &header, const EntryList &entries)
{
    return encodeAccount(header, entries, true);
}

SaveResult writeAccountFile(const QString &path, const AccountTitle &header, const EntryList &entries,
                            const SaveDeviceFilter &filter)
{
    const QByteArray content = encodeAccountFile(header, entries);
    // The backup sits beside the file itself, so that every link to an
    // account shares one backup.
    const QString target = followSymlinks(path);
    SaveOptions options;
    options.backupPath = backupFileName(target);
    options.followLinks = true;
    options.filter = filter;
    try {
        return saveFileAtomically(target, content, options);
    } catch (const HarumokaError &e) {
        throw AccountFileError(AccountFileError::CannotWrite, e.message());
    }
}

void removeStaleSaveTemporaries(const QString &path)
{
    const QString target = followSymlinks(path);
    removeStaleTemporaries(target);
    finishInterruptedBackup(target, backupFileName(target));
    removeStaleTemporaries(backupFileName(target));
}

QString backupFileName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const QString folder = path.left(path.size() - name.size());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return folder + name + QStringLiteral(".bak");
    return folder + name.left(dot + 1) + QStringLiteral("bak");
}

namespace {

// Whether the regular file at path begins with one of the three first
// lines of an account file.
bool startsLikeAnAccount(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[16];
    ssize_t n;
    do
        n = ::read(fd, buffer, sizeof buffer);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return false;
    QByteArray first(buffer, n);
    const qsizetype end = first.indexOf('\r') >= 0 ? first.indexOf('\r') : first.indexOf('\n');
    if (end >= 0)
        first.truncate(end);
    return first == kMagic.toLatin1() || first == kMagicOlder.toLatin1() || first == kMagicOldest.toLatin1();
}

} // namespace

void checkExportTarget(const QString &target, const QStringList &protectedFiles)
{
    const QString shownTarget = displayPath(target);
    auto refuse = [&](const QString &what) {
        throw HarumokaError(QStringLiteral("書き出し先「%1」は%2上書きすると帳簿が失われるため、書き出しませんでした。"
                                           "別の名前を指定してください。")
                                .arg(shownTarget, what));
    };
    struct stat t;
    const bool exists = ::stat(QFile::encodeName(target).constData(), &t) == 0;
    const QString absolute = QFileInfo(followSymlinks(target)).absoluteFilePath();
    for (const QString &file : protectedFiles) {
        if (file.isEmpty())
            continue;
        struct stat p;
        const bool same = exists && ::stat(QFile::encodeName(file).constData(), &p) == 0
            ? p.st_dev == t.st_dev && p.st_ino == t.st_ino
            : QFileInfo(followSymlinks(file)).absoluteFilePath() == absolute;
        if (same)
            refuse(QStringLiteral("、書き出す元の学級会計のファイル「%1」と同じファイルです。").arg(displayPath(file)));
    }
    if (!exists)
        return;
    if (!S_ISREG(t.st_mode))
        throw HarumokaError(QStringLiteral("書き出し先「%1」は%2です。ファイルとして書き出せません。")
                                .arg(shownTarget, specialFileKind(target)));
    if (startsLikeAnAccount(target))
        refuse(QStringLiteral("学級会計のファイルです。"));
}
