#pragma once

#include "download/downloadthread.h"
#include "download/imagedecoder.h"
#include "download/thumbnail.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class TResultLists;
class TGalleryHost;

/**
 * The image gallery: thumbnails of a task's downloaded pictures in the "Images" list of the
 * result lists. Item k, thumbnail k and path k of TResultLists::Images() describe the same file
 * at every moment the user interface can see (the lists are only changed together).
 *
 * A finished download is shown only while the gallery shows the download's own task
 * (SetShownTask). While a rebuild is in progress, finished downloads are held back and added
 * after it, so an addition never interleaves with a rebuild; a folder asked for during a
 * rebuild interrupts it and is read next.
 *
 * Decoding and drawing run on the UI thread, one file at a time, with one reused decoder.
 * Pictures that cannot be decoded are left out without a message.
 */
class TGallery : public QObject
{
    Q_OBJECT
public:
    TGallery(TResultLists& lists, TGalleryHost& host, QObject* parent = nullptr);

    /** The task whose pictures the gallery shows; empty for none. */
    void SetShownTask(const QString& taskName) { m_shownTask = taskName; }
    const QString& ShownTask() const { return m_shownTask; }
    /** The colour the tiles are filled with (the desktop's button face). */
    void SetButtonFace(QRgb colour) { m_buttonFace = colour; }

    /** Adds the thumbnail of a finished download of the given task when that task is shown
     *  and the file decodes. True when a thumbnail was added. */
    bool AddGalleryImage(const QString& path, const QString& taskName);
    /** Reads the pictures of a folder (one trailing "/" dropped) into the gallery. */
    void LoadGalleryFolder(const QString& folder);
    /** Draws the thumbnails of the paths now in the file list again; paths whose files do not
     *  decode are dropped from it. */
    void RebuildGallery();
    bool Rebuilding() const { return m_rebuilding; }

    /** Decodes a file by its extension and draws its tile; false when it does not decode. */
    bool MakeTile(const QString& path, QImage& tile);

public slots:
    /** For the download pool's DownloadFinished. */
    void OnDownloadFinished(const QString& fileName, const QString& taskName, const TDownloadResult& result);

private:
    struct TDeferred
    {
        QString Path;
        QString TaskName;
    };
    void Rebuild(const QStringList& paths);

    TResultLists& m_lists;
    TGalleryHost& m_host;
    TImageDecoder m_decoder;
    QRgb m_buttonFace = DefaultButtonFace;
    QString m_shownTask;
    bool m_rebuilding = false;
    bool m_interrupt = false;
    QString m_nextFolder;
    std::vector<TDeferred> m_deferred;
};
