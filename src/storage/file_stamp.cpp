#include "storage/file_stamp.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = qint64(st.st_size);
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec);
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino);
    return stamp;
}

QString otherNamesQuestion(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink < 2)
        return QString();
    return QStringLiteral("「%1」には、ほかの名前（ハードリンク）もあります（同じファイルに名前が %2 個）。\n"
                          "保存すると、この名前のファイルだけが新しい内容になり、ほかの名前のほうは前の内容のまま"
                          "残ります（別々のファイルになります）。\n保存しますか？")
        .arg(QDir::toNativeSeparators(path))
        .arg(quint64(st.st_nlink));
}
