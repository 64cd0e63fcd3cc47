#pragma once

#include <QString>
#include <QStringList>
#include <vector>

/** One element of the document's images collection. */
struct TSnapshotImage
{
    QString href;    // the picture's address as the browser resolves it
    int width = 0;   // declared width while the picture is not loaded, natural size once loaded, else rendered
    int Height = 0;
};

/** One object element of the document (every element of `all` that is an <object>). */
struct TSnapshotObject
{
    QString classid;
    QString movie;         // the "movie" attribute, or the value of a child <param name="movie">
    bool hasMovie = false; // false when neither exists
};

/**
 * Everything the crawl and the extractors read of a loaded document, taken in one go.
 * Plain data: it stays valid while it is walked, whatever the page does meanwhile.
 */
struct TPageSnapshot
{
    QString URL;                          // the document's URL
    QStringList links;                    // hrefs of the links collection, in document order
    std::vector<TSnapshotImage> images;   // the images collection, in document order
    std::vector<TSnapshotObject> objects; // object elements of `all`, in document order
    bool hasBody = false;
    QString bodyText;                     // the body's rendered text, line breaks as CR LF
};
