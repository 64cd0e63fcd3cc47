// The Download Log window over a record written to a temporary task folder.
#include "ui/downloadlogform.h"
#include "support/uitestsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimeZone>

class TestDownloadLog : public QObject
{
    Q_OBJECT

private:
    static TDownloadEntry Entry(const QString& url, long status, const QString& file = {},
                                const QString& error = {})
    {
        TDownloadEntry e;
        e.Time = QDateTime(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());
        e.HttpStatus = status;
        e.Error = error;
        e.URL = url;
        e.FileName = file;
        e.Referrer = QStringLiteral("http://h/page.html");
        return e;
    }

    /** A task folder with one picture and a record of four URLs, two of them failing. */
    void WriteRecord()
    {
        QFile picture(m_dir.filePath(QStringLiteral("a.jpg")));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.write("12345");
        picture.close();
        const TDownloadRecord record(m_dir.path());
        TDownloadEntry ok = Entry(QStringLiteral("http://h/a.jpg"), 200, picture.fileName());
        ok.Bytes = 5;
        QVERIFY(record.Append(ok));
        QVERIFY(record.Append(Entry(QStringLiteral("http://h/b.jpg"), 404)));
        QVERIFY(record.Append(Entry(QStringLiteral("http://h/c.jpg"), 0, {},
                                    QStringLiteral("Couldn't connect to server"))));
        QVERIFY(record.Append(Entry(QStringLiteral("http://h/d.jpg"), 503)));
        QVERIFY(record.Append(Entry(QStringLiteral("http://h/d.jpg"), 200)));
    }

    void SelectRow(TDownloadLogForm& form, int row, int column)
    {
        form.Table()->setCurrentIndex(form.Table()->model()->index(row, column));
    }

    QTemporaryDir m_dir;

private slots:
    void init() { WriteRecord(); }
    void cleanup() { QFile::remove(TDownloadRecord(m_dir.path()).Path()); }

    void showsEveryEntryAndFiltersFailures()
    {
        TDownloadLogForm form;
        form.ShowTask(QStringLiteral("Shop"), m_dir.path());
        QCOMPARE(form.windowTitle(), QStringLiteral("Download Log - Shop"));
        QCOMPARE(form.RowCount(), 5);
        QCOMPARE(form.Table()->model()->columnCount(), int(TDownloadLogForm::ColCount));
        QCOMPARE(form.Table()->model()->headerData(TDownloadLogForm::ColReferrer, Qt::Horizontal)
                     .toString(), QStringLiteral("Referring Page"));
        QCOMPARE(form.Table()->model()->index(2, TDownloadLogForm::ColOutcome).data().toString(),
                 QStringLiteral("Couldn't connect to server"));
        QVERIFY(form.SummaryLabel()->text().contains(QStringLiteral("2 URLs failed")));

        form.FailuresOnlyBox()->setChecked(true);
        QCOMPARE(form.RowCount(), 3); // b, c and the first try of d
        for (int row = 0; row < form.RowCount(); ++row)
            QVERIFY(!form.EntryAt(row).Succeeded());
        form.FailuresOnlyBox()->setChecked(false);
        QCOMPARE(form.RowCount(), 5);
    }

    void sortsByTheRawValues()
    {
        TDownloadLogForm form;
        form.ShowTask(QStringLiteral("Shop"), m_dir.path());
        form.Table()->sortByColumn(TDownloadLogForm::ColBytes, Qt::DescendingOrder);
        QCOMPARE(form.EntryAt(0).URL, QStringLiteral("http://h/a.jpg"));
    }

    void rowsOpenTheirUrlReferrerOrFile()
    {
        TUiRecorder recorder;
        TDownloadLogForm form;
        form.ShowTask(QStringLiteral("Shop"), m_dir.path());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // Enter on the URL column opens the URL, on the File column the file.
        SelectRow(form, 0, TDownloadLogForm::ColURL);
        QTest::keyClick(form.Table(), Qt::Key_Return);
        SelectRow(form, 0, TDownloadLogForm::ColFile);
        QTest::keyClick(form.Table(), Qt::Key_Return);
        SelectRow(form, 0, TDownloadLogForm::ColReferrer);
        QTest::keyClick(form.Table(), Qt::Key_Return);
        QCOMPARE(recorder.Opened.size(), 3);
        QCOMPARE(recorder.Opened[0], QUrl(QStringLiteral("http://h/a.jpg")));
        QCOMPARE(recorder.Opened[1], QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("a.jpg"))));
        QCOMPARE(recorder.Opened[2], QUrl(QStringLiteral("http://h/page.html")));
        QVERIFY(form.isVisible()); // Enter pressed no button

        // A row without a file on disk offers no file to open.
        SelectRow(form, 1, TDownloadLogForm::ColURL);
        QVERIFY(!form.OpenFileAction()->isEnabled());
        QVERIFY(form.OpenUrlAction()->isEnabled());
        form.OpenFileAction()->trigger();
        QCOMPARE(recorder.Opened.size(), 3);

        form.CopyUrlAction()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://h/b.jpg"));
    }

    void retryFailedHandsOverTheFailingUrls()
    {
        TDownloadLogForm form;
        form.ShowTask(QStringLiteral("Shop"), m_dir.path());
        QSignalSpy spy(&form, &TDownloadLogForm::RetryFailedRequested);

        form.SetRunActive(true);
        QVERIFY(!form.RetryFailedButton()->isEnabled());
        form.SetRunActive(false);
        QVERIFY(form.RetryFailedButton()->isEnabled());
        QTest::mouseClick(form.RetryFailedButton(), Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toString(), QStringLiteral("Shop"));
        const auto failed = spy[0][1].value<QList<TDownloadEntry>>();
        QCOMPARE(failed.size(), 2); // d succeeded on its second run
        QCOMPARE(failed[0].URL, QStringLiteral("http://h/b.jpg"));
        QCOMPARE(failed[1].URL, QStringLiteral("http://h/c.jpg"));

        // Once the retries are recorded as successes, there is nothing left to retry.
        const TDownloadRecord record(m_dir.path());
        record.Append(Entry(QStringLiteral("http://h/b.jpg"), 200));
        record.Append(Entry(QStringLiteral("http://h/c.jpg"), 200));
        form.Reload();
        QVERIFY(!form.RetryFailedButton()->isEnabled());
        QCOMPARE(form.RowCount(), 7);
    }

    void aTaskWithoutRecordShowsAnEmptyLog()
    {
        QTemporaryDir empty;
        TDownloadLogForm form;
        form.ShowTask(QStringLiteral("New"), empty.path());
        QCOMPARE(form.RowCount(), 0);
        QVERIFY(!form.RetryFailedButton()->isEnabled());
        QVERIFY(!form.OpenUrlAction()->isEnabled());
        form.OpenUrlAction()->trigger(); // nothing current: nothing happens
    }
};

PAGEMINT_UI_TEST_MAIN(TestDownloadLog)
#include "downloadlog_test.moc"
