#pragma once
/**
 * The five result tabs in one table: what each is called, which view shows it and how, its
 * columns, what "Export List" says when it is empty, which folder "Destination Directory" opens,
 * its line in the task summary, its check box in the task's "Output Selection", what a row's
 * context menu offers and whether it is kept in a list file.
 * Everything that walks the tabs reads it here instead of keeping its own array or switch.
 * Plain data: no widgets.
 */

#include "task/common.h"

#include <array>
#include <cstddef>

class QString;
class TPaths;

/** Tab indexes of the result lists. */
enum TResultTab : int { TabText = 0, TabImages = 1, TabFlash = 2, TabDownloads = 3, TabLinks = 4 };

namespace pagemint {

inline constexpr int ResultTabCount = 5;

} // namespace pagemint

/** The folder of a task that holds what a tab lists. */
enum class TTabFolder { Task, Images, Flashes, Downloads };

/** How a tab shows its rows. */
enum class TTabView {
    Report,      // a row per result, a column per value, headers and set column widths
    Thumbnails,  // the gallery's tiles
    Grid         // a row per result in a grid without headers
};

/** What the context menu of a row of a tab offers besides the value under the mouse. */
enum class TRowTarget {
    Value,       // the value itself when it is a web address
    LinkAndFile, // the row's link (column 1) and the file downloaded from it
    ImageFile    // the tile's image file and the address it was downloaded from
};

struct TResultTabInfo
{
    TResultTab Tab;
    const char* Caption;       // the tab's caption and its item in the View menu
    const char* ViewName;      // object name of the tab's view
    const char* EmptyMessage;  // "Export List" on an empty list
    int Columns;               // columns of the tab's rows (Images: the caption only)
    std::array<const char*, 5> Headers; // column headers; nullptr where the view shows none
    std::array<int, 5> Widths; // initial column widths in pixels of a Report view; 0: none set
    TTabView View;
    TTabFolder Folder;
    TRowTarget RowTarget;
    bool HasListFile;          // its rows are kept in the task's list file of the tab
    const char* SummaryCaption; // its line in the task summary, before the row count
    const char* SummaryName;    // object name of that line
    const char* OutputCaption;  // its check box in the task's "Output Selection"
    const char* OutputName;     // object name of that check box
    bool TTaskItem::*Output;    // the task setting the check box edits
    bool NewTaskOutput;         // whether a new task collects it
};

namespace pagemint {

inline constexpr std::array<TResultTabInfo, ResultTabCount> ResultTabs{{
    {TabText, "Text", "TextView", "Text list is empty!", 5,
     {"Value1", "Value2", "Value3", "Value4", "Value5"}, {150, 150, 150, 150, 211},
     TTabView::Report, TTabFolder::Task, TRowTarget::Value, true,
     "Text: ", "SummaryText", "Te&xt", "check1", &TTaskItem::check1, true},
    {TabImages, "Images", "ImagesView", "Image list is empty!", 1,
     {nullptr, nullptr, nullptr, nullptr, nullptr}, {0, 0, 0, 0, 0},
     TTabView::Thumbnails, TTabFolder::Images, TRowTarget::ImageFile, false,
     "Images: ", "SummaryImages", "&Images          ", "check2", &TTaskItem::check2, true},
    {TabFlash, "Flash", "FlashView", "Flashes list is empty!", 2,
     {"Name", "Link", nullptr, nullptr, nullptr}, {150, 430, 0, 0, 0},
     TTabView::Report, TTabFolder::Flashes, TRowTarget::LinkAndFile, true,
     "Flashes: ", "SummaryFlash", "&Flash", "check3", &TTaskItem::check3, false},
    {TabDownloads, "Downloads", "DownloadsView", "Downloads list is empty!", 2,
     {"Name", "Link", nullptr, nullptr, nullptr}, {150, 430, 0, 0, 0},
     TTabView::Report, TTabFolder::Downloads, TRowTarget::LinkAndFile, true,
     "Downloads: ", "SummaryDownloads", "&Downloads       ", "check4", &TTaskItem::check4, false},
    {TabLinks, "Links", "LinksView", "Links list is empty!", 1,
     {nullptr, nullptr, nullptr, nullptr, nullptr}, {0, 0, 0, 0, 0},
     TTabView::Grid, TTabFolder::Task, TRowTarget::Value, true,
     "Links: ", "SummaryLinks", "&Links", "check5", &TTaskItem::check5, true},
}};

/** Whether the table lists every tab once, in tab order, so that ResultTabs[tab] is that tab's row. */
inline constexpr bool ResultTabsInTabOrder()
{
    for (std::size_t i = 0; i < ResultTabs.size(); ++i)
        if (ResultTabs[i].Tab != static_cast<int>(i))
            return false;
    return true;
}
static_assert(ResultTabsInTabOrder(), "ResultTabs must hold each tab once, in tab order");

inline constexpr bool IsResultTab(int tab) { return tab >= 0 && tab < ResultTabCount; }

/** The table row of a tab, or nullptr for an index that is no tab. */
inline const TResultTabInfo* ResultTabInfo(int tab)
{
    return IsResultTab(tab) ? &ResultTabs[static_cast<std::size_t>(tab)] : nullptr;
}

/** The folder "Destination Directory" opens for a tab of the given task (the task's folder for
 *  an index that is no tab). */
QString ResultTabFolder(const TPaths& paths, const QString& taskName, int tab);

} // namespace pagemint
