// One remembered article name (use count, last use) and the node of the
// sentinel-headed selection list that feeds the article drop-down lists.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

class MekaluSelection;
using SelectionPtr = std::shared_ptr<MekaluSelection>;

class MekaluSelection {
public:
    MekaluSelection();
    MekaluSelection(const QString &article, qint16 count, const QDateTime &date);
    ~MekaluSelection();
    MekaluSelection(const MekaluSelection &) = delete;
    MekaluSelection &operator=(const MekaluSelection &) = delete;

    QDateTime tsDate;
    QString tsArticle;
    SelectionPtr tsLink;
    qint16 tsCount = 0;

    void appendSelectionWithCount(const SelectionPtr &ts_source);
    void deleteSelection(const MekaluSelection *ts_delrec);
    void addSelection(const SelectionPtr &ts_newrec);
    void removeNextSelection();
    void insertSelection(const SelectionPtr &ts_rec);
    SelectionPtr nextSelection() const { return tsLink; }
};

// The names of the records after a head, in list order (what a drop-down list offers).
QStringList selectionArticles(const MekaluSelection &head);

// The remembered article names: the income drop-down list's, and the
// expense list's, which the detail window offers too. Kept between runs in
// the settings file.
struct SelectionLists {
    SelectionPtr income = std::make_shared<MekaluSelection>();
    SelectionPtr supply = std::make_shared<MekaluSelection>();
    void reset()
    {
        income = std::make_shared<MekaluSelection>();
        supply = std::make_shared<MekaluSelection>();
    }
};
