#pragma once
/**
 * The five result tabs in one table: what each is called, which view shows it, its columns,
 * what "Export List" says when it is empty and which folder "Destination Directory" opens.
 * Everything that walks the tabs reads it here instead of keeping its own array or switch.
 */

#include <array>

class QString;
class TPaths;

/** Tab indexes of the result lists. */
enum TResultTab : int { TabText = 0, TabImages = 1, TabFlash = 2, TabDownloads = 3, TabLinks = 4 };

namespace pagemint {

inline constexpr int ResultTabCount = 5;

} // namespace pagemint

/** The folder of a task that holds what a tab lists. */
enum class TTabFolder { Task, Images, Flashes, Downloads };

struct TResultTabInfo
{
    TResultTab Tab;
    const char* Caption;       // the tab's caption and its item in the View menu
    const char* ViewName;      // object name of the tab's view
    const char* EmptyMessage;  // "Export List" on an empty list
    int Columns;               // columns of the tab's rows (Images: the caption only)
    std::array<const char*, 5> Headers; // column headers; nullptr where the view shows none
    TTabFolder Folder;
};

namespace pagemint {

inline constexpr std::array<TResultTabInfo, ResultTabCount> ResultTabs{{
    {TabText, "Text", "TextView", "Text list is empty!", 5,
     {"Value1", "Value2", "Value3", "Value4", "Value5"}, TTabFolder::Task},
    {TabImages, "Images", "ImagesView", "Image list is empty!", 1,
     {nullptr, nullptr, nullptr, nullptr, nullptr}, TTabFolder::Images},
    {TabFlash, "Flash", "FlashView", "Flashes list is empty!", 2,
     {"Name", "Link", nullptr, nullptr, nullptr}, TTabFolder::Flashes},
    {TabDownloads, "Downloads", "DownloadsView", "Downloads list is empty!", 2,
     {"Name", "Link", nullptr, nullptr, nullptr}, TTabFolder::Downloads},
    {TabLinks, "Links", "LinksView", "Links list is empty!", 1,
     {nullptr, nullptr, nullptr, nullptr, nullptr}, TTabFolder::Task},
}};

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
