#pragma once
/**
 * The five result lists as data: the one source of truth that the extractors and the gallery
 * fill, the list files store, the export reads and the front ends show through models.
 * Lives on the user-interface thread.
 */

#include "results/resulttabs.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>


/** A Text row: one value per text rule, rule 1 first. */
using TTextRow = std::array<QString, 5>;

/** A Flash or Downloads row. */
struct TNameLinkRow
{
    QString Name;
    QString Link;
    bool operator==(const TNameLinkRow&) const = default;
};

/** Full paths of the files shown in the Images list, in gallery order, and the current one. */
class TImageFileList
{
public:
    void Add(const QString& path) { m_paths.append(path); }
    /** Clear, then every entry of the folder whose lower-cased extension is .bmp, .gif, .jpg or
     *  .jpeg, as folder + "/" + name, in listing order. folder has no trailing separator. */
    void LoadFromFolder(const QString& folder);
    void Clear() { m_paths.clear(); m_current = -1; }
    void Assign(const QStringList& paths) { m_paths = paths; }
    QString CurrentPath() const;
    QString CurrentFileName() const;
    qsizetype Count() const { return m_paths.size(); }
    void SetCurrent(int index) { m_current = index; }
    int Current() const { return m_current; }
    const QStringList& Paths() const { return m_paths; }

private:
    QStringList m_paths;
    int m_current = -1;
};

/** The Images list: item k (caption, 80 x 80 thumbnail) and path k describe the same file. */
class TImagesList
{
public:
    qsizetype Count() const { return m_captions.size(); }
    const QString& Caption(qsizetype i) const { return m_captions.at(i); }
    const QImage& Thumbnail(qsizetype i) const { return m_thumbnails.at(i); }
    const QStringList& Captions() const { return m_captions; }
    TImageFileList& Files() { return m_files; }
    const TImageFileList& Files() const { return m_files; }

private:
    friend class TResultLists;
    QStringList m_captions;
    std::vector<QImage> m_thumbnails;
    TImageFileList m_files;
};

class TResultLists : public QObject
{
    Q_OBJECT
public:
    explicit TResultLists(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<TTextRow>& Text() const { return m_text; }
    const TImagesList& Images() const { return m_images; }
    TImagesList& Images() { return m_images; }
    const std::vector<TNameLinkRow>& Flash() const { return m_flash; }
    const std::vector<TNameLinkRow>& Downloads() const { return m_downloads; }
    const QStringList& Links() const { return m_links; }

    /** Rows of a tab (0..4); 0 for any other index. */
    qsizetype RowCount(int tab) const;
    /** The text of one cell: column 0..Columns-1 of the tab's row (an Images row is its
     *  caption). Empty for a cell that does not exist. */
    QString Cell(int tab, qsizetype row, int column) const;
    /** Appends row of the same tab of other, as the Add function of the tab does (not for
     *  Images, whose rows come with a thumbnail: nothing happens there). */
    void AppendRowFrom(const TResultLists& other, int tab, qsizetype row);

    void AddText(const TTextRow& row);
    void AddFlash(const TNameLinkRow& row);
    void AddDownload(const TNameLinkRow& row);
    void AddLink(const QString& url);
    /** Appends an Images item with its thumbnail, and the path to the file list, keeping them aligned. */
    void AddImage(const QString& caption, const QImage& thumbnail, const QString& path);
    /** Replace a whole list at once (one TabReset instead of a signal per row). */
    void SetText(std::vector<TTextRow> rows);
    void SetFlash(std::vector<TNameLinkRow> rows);
    void SetDownloads(std::vector<TNameLinkRow> rows);
    void SetLinks(const QStringList& urls);
    /** Replaces the Images items and thumbnails (the file list is left to the caller). */
    void SetImages(const QStringList& captions, std::vector<QImage> thumbnails);

    /** Empties one list (the Images list with its thumbnails and its file list). */
    void ClearTab(int tab);
    /** Empties all five lists. */
    void ClearAll();

signals:
    /** Rows first..last (inclusive) were appended to the list of the tab. */
    void RowsAppended(int tab, int first, int last);
    /** The list of the tab was emptied or replaced as a whole. */
    void TabReset(int tab);

private:
    std::vector<TTextRow> m_text;
    TImagesList m_images;
    std::vector<TNameLinkRow> m_flash;
    std::vector<TNameLinkRow> m_downloads;
    QStringList m_links;
};
