// The document commands on their own: a document, an undo stack and the
// scripted dialogs, no window. An account of two entries is opened, edited,
// saved and closed; what the commands leave behind and tell the window is
// checked after each story.
#include "storage/account_file.h"
#include "storage/companion_file.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/scripted_dialogs.h"
#include "ui/window/account_session.h"
#include "ui/window/document_commands.h"

#include <QTemporaryDir>
#include <QUndoStack>
#include <functional>

namespace {

struct Harness {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    AccountSession session;
    Document &doc = session.document();
    DocumentCommands commands{session, dialogs, nullptr, dir.filePath(QStringLiteral("names.ini"))};
    QString file = dir.filePath(QStringLiteral("a.txt"));
    int cleared = 0;
    bool readOnlyShown = false;

    Harness()
    {
        writeAccountFile(file, AccountTitle(),
                         listOf({income(d(2026, 4, 1), QStringLiteral("学級費"), 3000),
                                 expense(d(2026, 5, 1), QStringLiteral("紙"), 500)}));
        QObject::connect(&commands, &DocumentCommands::cleared, [this] { ++cleared; });
        QObject::connect(&commands, &DocumentCommands::readOnlyChanged, [this](bool on) { readOnlyShown = on; });
    }
    void openAndEdit()
    {
        QVERIFY(commands.openFile(file));
        doc.recordEntry(*income(d(2026, 6, 1), QStringLiteral("寄付"), 100), nullptr);
    }
    int entriesOnDisk() const
    {
        Document read;
        readAccountFile(file, read);
        return int(read.entries().size());
    }
};

const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");

} // namespace

using Story = std::function<bool(Harness &)>;
Q_DECLARE_METATYPE(Story)

class TestCommands : public QObject {
    Q_OBJECT
private slots:
    void stories_data()
    {
        QTest::addColumn<Story>("story");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("entries");     // in the document afterwards
        QTest::addColumn<int>("onDisk");      // in the file afterwards
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("canSave");    // 上書き保存 available
        QTest::addColumn<int>("cleared");     // times the window was told to load itself again

        QTest::newRow("open") << Story([](Harness &h) {
            h.dialogs.expectOpen(h.file);
            h.commands.open();
            return h.commands.openFileName() == h.file;
        }) << true << 2 << 2 << false << false << true << 1;
        // The account was renamed elsewhere: its roster, left under the old
        // name, is offered, and saved beside the account's new name.
        QTest::newRow("open, a companion left under another name") << Story([](Harness &h) {
            const EntryList entries = listOf({income(d(2026, 4, 1), QStringLiteral("学級費"), 3000,
                                                     QStringLiteral("4月分"), 1500, 2)});
            writeAccountFile(h.file, AccountTitle(), entries);
            Document old;
            readAccountFile(h.file, old);
            old.setRoster({Pupil{1, 1, QStringLiteral("山田"), false}, Pupil{2, 2, QStringLiteral("𠮷田"), false}});
            writeCompanion(h.dir.filePath(QStringLiteral("old.txt")), old.roster(), old.entries());
            h.dialogs.expectMessageContaining(QStringLiteral("「old.harumoka」"), Dialogs::Answer::Yes);
            return h.commands.openFile(h.file) && h.doc.roster().size() == 2
                && h.doc.entryAt(true, 1)->marks->count(Mark::Paid) == 2 && h.commands.save()
                && QFile::exists(h.dir.filePath(QStringLiteral("a.harumoka")));
        }) << true << 1 << 1 << false << false << true << 0;
        QTest::newRow("save") << Story([](Harness &h) {
            h.openAndEdit();
            return h.commands.save();
        }) << true << 3 << 3 << false << false << true << 0;
        QTest::newRow("close, cancel") << Story([](Harness &h) {
            h.openAndEdit();
            h.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::Cancel);
            return h.commands.close();
        }) << false << 3 << 2 << true << false << true << 0;
        QTest::newRow("close, no") << Story([](Harness &h) {
            h.openAndEdit();
            h.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
            return h.commands.close() && h.commands.openFileName().isEmpty();
        }) << true << 0 << 2 << false << false << false << 1;
        QTest::newRow("close, yes") << Story([](Harness &h) {
            h.openAndEdit();
            h.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::Yes);
            return h.commands.close();
        }) << true << 0 << 3 << false << false << false << 1;
        // Held by another program: read-only, and Save asks for another name.
        QTest::newRow("read-only open") << Story([](Harness &h) {
            AccountSession otherSession;
            DocumentCommands other(otherSession, h.dialogs, nullptr, h.dir.filePath(QStringLiteral("other.ini")));
            if (!other.openFile(h.file))
                return false;
            h.dialogs.expectMessageContaining(QStringLiteral("読み取り専用で開きますか？"), Dialogs::Answer::Yes);
            h.dialogs.expectSave(QString());
            return h.commands.openFile(h.file) && h.commands.openFileName() == h.file && !h.commands.save();
        }) << true << 2 << 2 << false << true << false << 0;
    }

    void stories()
    {
        QFETCH(Story, story);
        QFETCH(bool, result);
        QFETCH(int, entries);
        QFETCH(int, onDisk);
        QFETCH(bool, modified);
        QFETCH(bool, readOnly);
        QFETCH(bool, canSave);
        QFETCH(int, cleared);
        Harness h;
        QCOMPARE(story(h), result);
        QVERIFY2(h.dialogs.done(), qPrintable(h.dialogs.pending().join(QLatin1Char('\n'))));
        QCOMPARE(int(h.doc.entries().size()), entries);
        QCOMPARE(h.entriesOnDisk(), onDisk);
        QCOMPARE(h.doc.isModified(), modified);
        QCOMPARE(h.commands.isReadOnly(), readOnly);
        QCOMPARE(h.readOnlyShown, readOnly);
        QCOMPARE(h.session.commands().save, canSave);
        QCOMPARE(h.cleared, cleared);
    }
};

HARUMOKA_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
