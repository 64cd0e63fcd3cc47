// The result list models: they show TResultLists without copying it, announce appended rows in
// batches, and follow resets at once.
#include "results/resultlists.h"
#include "ui/imagesmodel.h"
#include "ui/resulttablemodel.h"
#include "support/uitestsupport.h"

#include <QAbstractItemModelTester>
#include <QPixmap>
#include <QSignalSpy>
#include <QtTest>

class TestResultModels : public QObject
{
    Q_OBJECT

private slots:
    void columnsAndValues()
    {
        TResultLists lists;
        TResultTableModel text(lists, TabText);
        TResultTableModel flash(lists, TabFlash);
        TResultTableModel links(lists, TabLinks);
        QAbstractItemModelTester t1(&text), t2(&flash), t3(&links);
        lists.AddText({QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("d"), QStringLiteral("e")});
        lists.AddFlash({QStringLiteral("m.swf"), QStringLiteral("http://x/m.swf")});
        lists.AddLink(QStringLiteral("http://x/"));
        text.Flush();
        flash.Flush();
        links.Flush();

        QCOMPARE(text.columnCount(), 5);
        QCOMPARE(text.headerData(4, Qt::Horizontal).toString(), QStringLiteral("Value5"));
        QCOMPARE(text.index(0, 3).data().toString(), QStringLiteral("d"));
        QCOMPARE(flash.columnCount(), 2);
        QCOMPARE(flash.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(flash.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Link"));
        QCOMPARE(flash.index(0, 1).data().toString(), QStringLiteral("http://x/m.swf"));
        QCOMPARE(links.columnCount(), 1);
        QCOMPARE(links.index(0, 0).data().toString(), QStringLiteral("http://x/"));
    }

    void manyRowsArriveInFewBatches()
    {
        TResultLists lists;
        TResultTableModel links(lists, TabLinks);
        QAbstractItemModelTester tester(&links);
        QSignalSpy inserted(&links, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 100'000; ++i)
            lists.AddLink(QStringLiteral("http://x/%1").arg(i));
        QCOMPARE(links.rowCount(), 0);   // nothing announced while the rows pour in
        QTRY_COMPARE(links.rowCount(), 100'000);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(links.index(99'999, 0).data().toString(), QStringLiteral("http://x/99999"));

        lists.AddLink(QStringLiteral("one more"));
        lists.ClearTab(TabLinks);   // a reset drops the pending batch and shows the empty list
        QCOMPARE(links.rowCount(), 0);
        links.Flush();
        QCOMPARE(links.rowCount(), 0);
    }

    void resetShowsReplacedList()
    {
        TResultLists lists;
        TResultTableModel downloads(lists, TabDownloads);
        QAbstractItemModelTester tester(&downloads);
        lists.AddDownload({QStringLiteral("a.zip"), QStringLiteral("http://x/a.zip")});
        downloads.Flush();
        QSignalSpy reset(&downloads, &QAbstractItemModel::modelReset);
        lists.ClearAll();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(downloads.rowCount(), 0);
        // Other tabs' signals leave the model alone.
        lists.AddText({});
        downloads.Flush();
        QCOMPARE(downloads.rowCount(), 0);
    }

    void imagesShowThumbnails()
    {
        TResultLists lists;
        TImagesModel images(lists);
        QAbstractItemModelTester tester(&images);
        QImage tile(80, 80, QImage::Format_RGB32);
        tile.fill(Qt::red);
        lists.AddImage(QStringLiteral("a.jpg"), tile, QStringLiteral("/t/Images/a.jpg"));
        lists.AddImage(QStringLiteral("b.gif"), tile, QStringLiteral("/t/Images/b.gif"));
        QTRY_COMPARE(images.rowCount(), 2);
        QCOMPARE(images.index(1).data().toString(), QStringLiteral("b.gif"));
        const QPixmap pixmap = images.index(0).data(Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(pixmap.size(), QSize(80, 80));
        QCOMPARE(pixmap.toImage().pixelColor(40, 40), QColor(Qt::red));
        lists.ClearTab(TabImages);
        QCOMPARE(images.rowCount(), 0);
        QCOMPARE(lists.Images().Files().Count(), 0);
    }

    void imagesFirstScreenfulAtOnceThenBatches()
    {
        TResultLists lists;
        TImagesModel images(lists);
        QAbstractItemModelTester tester(&images);
        QImage tile(80, 80, QImage::Format_RGB32);
        tile.fill(Qt::blue);
        // The first tiles of a gallery are shown the moment they are added, with no event loop.
        for (int i = 0; i < TImagesModel::ImmediateRows; ++i) {
            lists.AddImage(QStringLiteral("%1.jpg").arg(i), tile, QStringLiteral("/t/Images/%1.jpg").arg(i));
            QCOMPARE(images.rowCount(), i + 1);
        }
        // Past a screenful they are gathered and announced together.
        QSignalSpy inserted(&images, &QAbstractItemModel::rowsInserted);
        const int more = 300;
        for (int i = 0; i < more; ++i)
            lists.AddImage(QStringLiteral("m%1.jpg").arg(i), tile, QStringLiteral("/t/Images/m%1.jpg").arg(i));
        QCOMPARE(images.rowCount(), TImagesModel::ImmediateRows);
        QTRY_COMPARE(images.rowCount(), TImagesModel::ImmediateRows + more);
        QCOMPARE(inserted.count(), 1);

        // After a reset the model is short again: its first rows come at once once more.
        lists.ClearTab(TabImages);
        lists.AddImage(QStringLiteral("again.jpg"), tile, QStringLiteral("/t/Images/again.jpg"));
        QCOMPARE(images.rowCount(), 1);
    }

    void imagesKeepBoundedPixmaps()
    {
        TResultLists lists;
        TImagesModel images(lists);
        const int rows = int(TImagesModel::KeptPixmaps) + 200;
        for (int i = 0; i < rows; ++i) {
            QImage tile(80, 80, QImage::Format_RGB32);
            tile.fill(QColor(i % 256, 0, 0));
            lists.AddImage(QStringLiteral("%1.jpg").arg(i), tile, QStringLiteral("/t/Images/%1.jpg").arg(i));
        }
        images.Flush();
        QCOMPARE(images.rowCount(), rows);
        for (int row = 0; row < rows; ++row)
            QVERIFY(!images.index(row).data(Qt::DecorationRole).value<QPixmap>().isNull());
        QCOMPARE(images.PixmapCount(), TImagesModel::KeptPixmaps);
        // A row whose pixmap was let go is drawn again from its tile, the same as before.
        const QPixmap first = images.index(0).data(Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(first.toImage().pixelColor(40, 40), QColor(0, 0, 0));
        const QPixmap late = images.index(300).data(Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(late.toImage().pixelColor(40, 40), QColor(300 % 256, 0, 0));
        QCOMPARE(images.PixmapCount(), TImagesModel::KeptPixmaps);
        lists.ClearTab(TabImages);
        QCOMPARE(images.PixmapCount(), std::size_t(0));
    }
};

PAGEMINT_UI_TEST_MAIN(TestResultModels)
#include "resultmodels_test.moc"
