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
};

PAGEMINT_UI_TEST_MAIN(TestResultModels)
#include "resultmodels_test.moc"
