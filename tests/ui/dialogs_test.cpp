// The program settings dialog and the About box.
#include "task/programsettings.h"
#include "ui/aboutunit.h"
#include "ui/settingunit.h"
#include "support/uitestsupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace pagemint;

class TestDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    TProgramSettings m_settings;
    int m_reads = 0;
    std::unique_ptr<TSettingForm> m_form;

    template <typename T>
    T* Child(const char* name) const
    {
        T* child = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QByteArray FileText() const
    {
        QFile file(m_file);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("pmsettings.ini"));
        QFile::remove(m_file);
        m_settings = TProgramSettings();
        m_reads = 0;
        m_form = std::make_unique<TSettingForm>(
            m_settings,
            [this] {
                ++m_reads;
                m_settings = ReadProgramSettings(m_file);
            },
            [this] { WriteProgramSettings(m_file, m_settings); });
    }
    void cleanup() { m_form.reset(); }

    void defaultsWithoutFileAndSaveCreatesIt()
    {
        TUiRecorder ui;
        m_form->show();
        QCOMPARE(m_reads, 1);
        const bool expected[7] = {false, false, false, true, true, true, true};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(Child<QCheckBox>(qPrintable(QStringLiteral("Browser0%1").arg(i + 1)))->isChecked(), expected[i]);
        QCOMPARE(Child<QCheckBox>("Browser04")->text(), QStringLiteral("Don't Excute Scripts"));
        QCOMPARE(Child<QLineEdit>("ProxyServer")->text(), QString());
        QCOMPARE(Child<QLineEdit>("AuthPassword")->echoMode(), QLineEdit::Normal);

        QTest::mouseClick(Child<QPushButton>("SaveButton"), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        const QByteArray text = FileText();
        for (const char* line : {"Browser01=0", "Browser03=0", "Browser04=1", "Browser07=1", "Downloader01=",
                                 "Downloader04="})
            QVERIFY2(text.contains(line), line);
        QVERIFY(text.indexOf("[Browser]") < text.indexOf("[Downloader]"));
    }

    void showRereadsTheFile()
    {
        m_form->show();
        m_form->hide();
        TProgramSettings edited;
        edited.DownloadImages = true;
        edited.ProxyServer = QStringLiteral("proxy.test");
        edited.AuthPassword = QStringLiteral("secret");
        WriteProgramSettings(m_file, edited);   // changed by hand while the program runs
        m_form->show();
        QCOMPARE(m_reads, 2);
        QVERIFY(Child<QCheckBox>("Browser01")->isChecked());
        QCOMPARE(Child<QLineEdit>("ProxyServer")->text(), QStringLiteral("proxy.test"));
        QCOMPARE(Child<QLineEdit>("AuthPassword")->text(), QStringLiteral("secret"));
    }

    void thumbnailCacheSwitchIsStoredAndShown()
    {
        m_form->show();
        QCheckBox* cache = Child<QCheckBox>("Gallery01");
        QVERIFY(cache->isChecked()); // on without the file
        cache->setChecked(false);
        QTest::mouseClick(Child<QPushButton>("SaveButton"), Qt::LeftButton);
        QVERIFY(!m_settings.WriteThumbnailCache);
        QVERIFY(FileText().contains("[Gallery]\r\nGallery01=0"));
        m_form->show();
        QVERIFY(!Child<QCheckBox>("Gallery01")->isChecked());
    }

    void closeDropsChanges()
    {
        m_form->show();
        Child<QCheckBox>("Browser02")->setChecked(true);
        Child<QLineEdit>("ProxyPort")->setText(QStringLiteral("8080"));
        QTest::mouseClick(Child<QPushButton>("CloseButton"), Qt::LeftButton);
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QCOMPARE(m_settings, TProgramSettings());
        QVERIFY(!QFile::exists(m_file));
        m_form->show();
        QVERIFY(!Child<QCheckBox>("Browser02")->isChecked());
        QCOMPARE(Child<QLineEdit>("ProxyPort")->text(), QString());
    }

    void saveFailureKeepsDialogOpen()
    {
        QVERIFY(QDir().mkpath(m_file));   // a folder where the file should be
        TUiRecorder ui;
        m_form->show();
        Child<QLineEdit>("AuthUserName")->setText(QStringLiteral("me"));
        QTest::mouseClick(Child<QPushButton>("SaveButton"), Qt::LeftButton);
        QCOMPARE(ui.Messages, QStringList{QStringLiteral("Unable to write to ") + m_file});
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_settings.AuthUserName, QStringLiteral("me"));   // the fields hold the new values
    }

    void aboutBox()
    {
        TUiRecorder ui;
        TAboutForm about;
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QVERIFY(about.width() >= 356 && about.height() >= 171);   // the designed size is the least
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts.append(label->text());
        QVERIFY(texts.contains(QStringLiteral("Pagemint 1.0")));
        QVERIFY(texts.contains(QStringLiteral("Version: 1.0 (Date: 07/21/2008)")));
        QVERIFY(texts.contains(QStringLiteral("Website:")));
        QVERIFY(texts.contains(QStringLiteral("E-mail:")));

        emit about.EmailLink()->linkActivated(QStringLiteral("#"));
        emit about.WebsiteLink()->linkActivated(QStringLiteral("#"));
        QCOMPARE(ui.Opened.size(), 2);
        QCOMPARE(ui.Opened[0].scheme(), QStringLiteral("mailto"));
        QCOMPARE(ui.Opened[0].toString(), QStringLiteral("mailto:support@pagemint.example"));
        QCOMPARE(ui.Opened[1].scheme(), QStringLiteral("https"));
        QCOMPARE(ui.Opened[1].host(), QStringLiteral("www.pagemint.example"));

        auto* close = about.findChild<QPushButton*>();
        QVERIFY(close && close->isDefault());
        QCOMPARE(close->text(), QStringLiteral("Close"));
        close->click();
        QVERIFY(!about.isVisible());
    }
};

PAGEMINT_UI_TEST_MAIN(TestDialogs)
#include "dialogs_test.moc"
