// Application state: every variable shared by the windows (the entry list,
// the selection lists, the twelve period lists and totals, counters, flags
// and the working copies being edited), the two reset routines and the
// period table. Windows hold a reference to one Module1; tests make a fresh
// one each. Data flows from the entry panels into articleList, from there
// into the period lists (summary refresh), the account file and the
// printouts.
#pragma once

#include "app/print_settings.h"
#include "model/article.h"
#include "model/selection.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QWidget;

// One period of the school year. Months count April as 4 ... March as 15.
struct PeriodInfo {
    int firstMonth;
    int lastMonth;
};

enum Period { Term1 = 0, Term2, Term3, Half1, Half2, Year, PeriodCount };

class Module1 {
public:
    Module1();

    // Lists (sentinel heads).
    ArticlePtr articleList;
    SelectionPtr incomeSelectionList;
    SelectionPtr supplySelectionList;
    std::array<ArticlePtr, PeriodCount> incomeLists;  // term1IncomeList ... yearIncomeList
    std::array<ArticlePtr, PeriodCount> supplyLists;  // term1SupplyList ... yearSupplyList
    std::array<qint32, PeriodCount> incomeTotals{};   // term1IncomeTotal ...
    std::array<qint32, PeriodCount> supplyTotals{};   // term1SupplyTotal ... (negative)

    // Editing state of the main window.
    ArticlePtr currentIncomeArticle;
    ArticlePtr sourceIncomeArticle;
    ArticlePtr currentSupplyArticle;
    ArticlePtr sourceSupplyArticle;
    qint16 selectedIncomeRow = 0;
    qint16 selectedSupplyRow = 0;
    qint16 editedIncomeCol = 0;
    qint16 editedSupplyCol = 0;
    bool supplyDatePicked = false;

    // Detail window state.
    ArticlePtr detailArticle;
    DetailPtr currentDetail;
    DetailPtr sourceDetail;
    qint16 detailCount = 0;
    qint16 selectedDetailRow = 0;
    qint16 editedDetailCol = 0;
    qint16 detailRowWatermark = 0;

    // Counters and flags.
    qint16 incomeCount = 0;
    qint16 supplyCount = 0;
    qint32 nextArticleKey = 0;
    qint16 defaultStudents = 30;
    bool fileChanged = false;
    bool summariesStale = false;
    QString currentFileName;
    qint16 printKind = 11;
    std::array<QString, 12> periodTitles;
    qint32 rowHeightUnit = 360;
    qint16 incomeRowWatermark = 0;
    qint16 supplyRowWatermark = 0;
    std::array<qint16, PeriodCount> summaryRowWatermark{};

    // Set when the open document could only be read in part: Save must not
    // overwrite the damaged original until Save As names a new file.
    bool documentDamaged = false;

    // The main window, for enableMainWindow.
    QWidget *mainWindow = nullptr;
    // Current contents of the print settings sheet; defaults until a window sets it.
    std::function<PrintSettings()> printSettings;

    // Takes an entry the user deleted out of articleList (nothing when `entry`
    // is none, which it becomes): the summaries are out of date and the
    // deletion is a change to save.
    void removeEntry(ArticlePtr &entry);

    void clearCounters();
    void resetDocument();
    void enableMainWindow();
    void fillPeriodTitles();

    // Settings file (remembered article names).
    void loadSelectionLists();
    void saveSelectionLists();
    // Where the settings file lives; empty means the default location.
    QString settingsFilePath;

    static const PeriodInfo &periodInfo(int period);
    static QString periodTitle(int index);
};

// The year given to carry-over dates: early enough that a carry-over is the
// first income entry of its period in any real account.
constexpr int kCarryOverYear = 1900;
