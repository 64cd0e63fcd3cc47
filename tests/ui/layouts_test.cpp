// Dialogs and panels at 100 % and 150 % fonts: each grows to fit, nothing is clipped or
// overlapped, and the shortened one-line label keeps the whole text at hand.
#include "task/paths.h"
#include "task/programsettings.h"
#include "ui/aboutunit.h"
#include "ui/downloadspane.h"
#include "ui/elidedlabel.h"
#include "ui/livestate.h"
#include "ui/mainunit.h"
#include "ui/outputpanel.h"
#include "ui/settingunit.h"
#include "ui/summarypanel.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "support/uitestsupport.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

/** Sets the application font to scale times the normal one for its lifetime. */
class TFontScale
{
public:
    explicit TFontScale(double scale)
        : m_saved(QApplication::font())
    {
        QFont font = m_saved;
        font.setPointSizeF(m_saved.pointSizeF() * scale);
        QApplication::setFont(font);
    }
    ~TFontScale() { QApplication::setFont(m_saved); }
    TFontScale(const TFontScale&) = delete;
    TFontScale& operator=(const TFontScale&) = delete;

private:
    QFont m_saved;
};

QString Describe(const QWidget* widget)
{
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(widget))
        text = group->title();
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

/**
 * Every visible text-bearing widget of window is at least as large as its text needs, lies
 * inside its parent and inside the window, and overlaps none of its visible siblings.
 * Answers the first fault found, or an empty text.
 */
QString FindClipping(QWidget* window)
{
    QList<QWidget*> checked;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || qobject_cast<TElidedLabel*>(w))
            continue;
        const bool text = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
        // A spin box lays out its own line edit: the spin box as a whole must get what it needs.
        const bool inSpinBox = qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        const bool box = qobject_cast<QGroupBox*>(w) || (qobject_cast<QLineEdit*>(w) && !inSpinBox)
                      || qobject_cast<QAbstractSpinBox*>(w);
        if (!text && !box)
            continue;
        const QSize need = text ? w->sizeHint() : w->minimumSizeHint();
        if (w->width() < need.width() || w->height() < need.height())
            return QStringLiteral("%1 is %2x%3, needs %4x%5")
                .arg(Describe(w)).arg(w->width()).arg(w->height()).arg(need.width()).arg(need.height());
        if (!w->parentWidget()->rect().contains(w->geometry()))
            return Describe(w) + QStringLiteral(" sticks out of its parent");
        const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
        if (!window->rect().contains(inWindow))
            return Describe(w) + QStringLiteral(" sticks out of the window");
        checked.append(w);
    }
    for (qsizetype i = 0; i < checked.size(); ++i)
        for (qsizetype j = i + 1; j < checked.size(); ++j)
            if (checked[i]->parentWidget() == checked[j]->parentWidget()
                && checked[i]->geometry().intersects(checked[j]->geometry()))
                return Describe(checked[i]) + QStringLiteral(" overlaps ") + Describe(checked[j]);
    return QString();
}

/** FindClipping on every page of every tab widget of window. */
QString FindClippingOnEveryPage(QWidget* window)
{
    const QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
    if (tabs.isEmpty())
        return FindClipping(window);
    for (QTabWidget* tab : tabs)
        for (int page = 0; page < tab->count(); ++page) {
            tab->setCurrentIndex(page);
            QApplication::processEvents();
            const QString fault = FindClipping(window);
            if (!fault.isEmpty())
                return tab->tabText(page) + QStringLiteral(": ") + fault;
        }
    return QString();
}

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT

private slots:
    void dialogsGrowWithTheFont_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("100 %") << 1.0;
        QTest::newRow("150 %") << 1.5;
        QTest::newRow("200 %") << 2.0;
    }

    void dialogsGrowWithTheFont()
    {
        QFETCH(double, scale);
        TUiRecorder ui;
        const TFontScale font(scale);

        TAboutForm about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.width() >= 356 && about.height() >= 171);
        QCOMPARE(FindClipping(&about), QString());
        // The links show whole, not cut at the box's edge.
        QVERIFY(about.WebsiteLink()->width() >= about.WebsiteLink()->sizeHint().width());
        QVERIFY(about.EmailLink()->width() >= about.EmailLink()->sizeHint().width());
        if (scale <= 1.5)
            QVERIFY(about.width() <= 1024 && about.height() <= 700);

        TProgramSettings settings;
        TSettingForm form(settings, [] {}, [] {});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.width() >= 403 && form.height() >= 444);
        QCOMPARE(FindClippingOnEveryPage(&form), QString());
        if (scale <= 1.5)
            QVERIFY(form.width() <= 1024 && form.height() <= 700);
    }

    void aFontChangedBetweenShowingsIsFollowed()
    {
        TUiRecorder ui;
        TProgramSettings settings;
        TSettingForm form(settings, [] {}, [] {});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QSize normal = form.size();
        form.hide();
        const TFontScale font(3.0);
        form.show();
        // The new font reaches the widgets through posted events; the dialog follows it.
        QTRY_VERIFY2(form.width() > normal.width() && form.height() > normal.height(),
                     qPrintable(QStringLiteral("%1x%2").arg(form.width()).arg(form.height())));
        QCOMPARE(FindClippingOnEveryPage(&form), QString());
    }

    void taskDialogGrowsWithTheFont_data() { dialogsGrowWithTheFont_data(); }

    void taskDialogGrowsWithTheFont()
    {
        QFETCH(double, scale);
        TUiRecorder ui;
        const TFontScale font(scale);
        QTemporaryDir dir;
        const TPaths paths(dir.path());
        TTaskTree tree;
        tree.Reset({});
        TTaskItem current;
        TTaskForm form(paths, tree, current);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.width() >= 551 && form.height() >= 583);
        QCOMPARE(FindClippingOnEveryPage(&form), QString());
        if (scale <= 1.5)
            QVERIFY2(form.width() <= 1024 && form.height() <= 700,
                     qPrintable(QStringLiteral("%1x%2").arg(form.width()).arg(form.height())));

        // The Output tab: every row and column of the grid in view, the size filters whole.
        form.findChild<QTabWidget*>(QStringLiteral("TaskTabs"))->setCurrentIndex(2);
        QApplication::processEvents();
        auto* grid = form.findChild<QTableWidget*>(QStringLiteral("OutTextGrid"));
        const int lastRow = grid->rowCount() - 1;
        const int lastColumn = grid->columnCount() - 1;
        QVERIFY(grid->rowViewportPosition(lastRow) + grid->rowHeight(lastRow) <= grid->viewport()->height());
        QVERIFY(grid->columnViewportPosition(lastColumn) + grid->columnWidth(lastColumn) <= grid->viewport()->width());
        QVERIFY(grid->rowHeight(lastRow) >= grid->fontMetrics().height());
        QVERIFY(grid->columnWidth(1) >= grid->fontMetrics().horizontalAdvance(QStringLiteral("Text before")));
        for (const char* name : {"ImageWidthMin", "ImageHeightMin"}) {
            auto* box = form.findChild<QSpinBox*>(QString::fromLatin1(name));
            QVERIFY(box->width() >= box->minimumSizeHint().width() && box->height() >= box->minimumSizeHint().height());
            QVERIFY(box->isVisibleTo(&form));
        }
    }

    void summaryPanelGrowsWithTheFont_data() { dialogsGrowWithTheFont_data(); }

    void summaryPanelGrowsWithTheFont()
    {
        QFETCH(double, scale);
        const TFontScale font(scale);
        QWidget host;
        auto* layout = new QVBoxLayout(&host);
        auto* panel = new TSummaryPanel(&host);
        layout->addWidget(panel);
        layout->addStretch(1);
        TSummaryData data;
        data.TaskName = QStringLiteral("A garden shop with a rather long task name");
        data.Running = true;
        data.VisitedPages = 123456;
        data.TotalPages = 1234567;
        data.Rows = {100000, 100000, 100000, 100000, 100000};
        panel->ShowSummary(data);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));

        QVERIFY(panel->height() >= 282);
        QCOMPARE(FindClipping(&host), QString());
        panel->SetThumbnailProgress(true, 40);
        QApplication::processEvents();
        QCOMPARE(FindClipping(&host), QString());

        // Hiding and showing the summary keeps the panel's height, so the tree above stays put.
        const int height = panel->height();
        panel->HideSummary();
        QApplication::processEvents();
        QCOMPARE(panel->height(), height);
        QVERIFY(panel->Line(0)->isHidden());

        // A name wider than the panel is shortened, with the whole name as tooltip.
        panel->ShowSummary(data);
        host.resize(160, host.height());
        QApplication::processEvents();
        auto* name = qobject_cast<TElidedLabel*>(panel->Line(0));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("Task Name: ") + data.TaskName);
        QVERIFY(name->IsElided());
        QCOMPARE(name->toolTip(), name->text());
        QVERIFY(name->ShownText().startsWith(QStringLiteral("Task Name: ")));
    }

    void statusBarFitsTheScreenWidth_data()
    {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<double>("scale");
        QTest::newRow("1024 px, 100 %") << 1024 << 1.0;
        QTest::newRow("1024 px, 150 %") << 1024 << 1.5;
        QTest::newRow("1920 px, 150 %") << 1920 << 1.5;
    }

    void statusBarFitsTheScreenWidth()
    {
        QFETCH(int, screenWidth);
        QFETCH(double, scale);
        TUiRecorder ui;
        const TFontScale font(scale);
        QTemporaryDir dir;
        const TPaths paths(dir.path());
        TMainForm form(paths.ProgramFolder(), std::make_unique<TSelfLinkingFakeBrowser>());
        form.resize(screenWidth, 700);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.width(), screenWidth);

        // Busy counts and a long address: the captions stay whole, the address gives way.
        const QString address = QStringLiteral("Current Page: http://www.example.test/") + QString(300, u'a')
                              + QStringLiteral("/page.html");
        form.SetCurrentPage(address);
        form.DownloadsPane()->SetCounts(1234, 5678, 12);
        QStatusBar* bar = form.statusBar();
        QTRY_COMPARE(bar->width(), screenWidth);
        QApplication::processEvents();
        QApplication::processEvents();

        for (const char* name : {"SearchProgressLabel", "DownloadProgressLabel", "DownloadsPane"}) {
            auto* label = bar->findChild<QLabel*>(QString::fromLatin1(name));
            QVERIFY2(label->width() >= label->sizeHint().width(),
                     qPrintable(QStringLiteral("%1 is %2 wide, needs %3; bar min %4")
                                    .arg(QLatin1String(name)).arg(label->width()).arg(label->sizeHint().width())
                                    .arg(bar->minimumSizeHint().width())));
        }
        for (const char* name : {"SearchProgress", "DownloadProgress"}) {
            auto* progress = bar->findChild<QProgressBar*>(QString::fromLatin1(name));
            QVERIFY2(progress->width() >= progress->minimumSizeHint().width(), name);
            QVERIFY2(progress->width() <= 200, name);
            QVERIFY2(progress->height() >= progress->fontMetrics().height(), name);
            // The percentage shows whole or not at all.
            const int text = progress->fontMetrics().horizontalAdvance(QStringLiteral("100%"));
            QVERIFY2(!progress->isTextVisible() || progress->width() >= text + 12, name);
            if (screenWidth >= 1920) {
                QCOMPARE(progress->width(), 200);
                QVERIFY(progress->isTextVisible());
            }
        }
        TElidedLabel* page = form.CurrentPageField();
        QVERIFY(page->width() >= page->minimumSizeHint().width());
        QVERIFY(page->IsElided());
        QVERIFY(page->ShownText().startsWith(screenWidth >= 1920 ? QStringLiteral("Current Page: http")
                                                                 : QStringLiteral("Cur")));
        QVERIFY(page->ShownText().endsWith(screenWidth >= 1920 ? QStringLiteral("page.html") : QStringLiteral("tml")));
        QCOMPARE(page->toolTip(), address);

        // The fields lie side by side within the bar, left to right in their order.
        int right = 0;
        for (const char* name : {"TaskField", "SearchProgressLabel", "SearchProgress", "DownloadProgressLabel",
                                 "DownloadProgress", "DownloadsPane", "CurrentPageField"}) {
            auto* field = bar->findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(field && field->isVisible(), name);
            QVERIFY2(field->x() >= right, name);
            QVERIFY2(bar->rect().contains(field->geometry()), name);
            right = field->geometry().right() + 1;
        }
        QCOMPARE(FindClipping(bar), QString());

        // Counts of a very large run: the pane drops its caption rather than push the bar past
        // the screen, and never cuts a number.
        form.DownloadsPane()->SetCounts(123456, 234567, 12345);
        QApplication::processEvents();
        QApplication::processEvents();
        QCOMPARE(form.width(), screenWidth);
        QVERIFY(bar->minimumSizeHint().width() <= screenWidth);
        TDownloadsPane* pane = form.DownloadsPane();
        QVERIFY(bar->rect().contains(pane->geometry()));
        QCOMPARE(pane->toolTip(), QStringLiteral("Downloads: 123456/234567 (12345 failed)"));
        QVERIFY2(pane->ShownText() == pane->text() || pane->ShownText() == QStringLiteral("123456/234567 (12345 failed)"),
                 qPrintable(pane->ShownText()));
        if (screenWidth >= 1920)
            QVERIFY(!pane->IsElided());
        else if (scale > 1.0)
            QCOMPARE(pane->ShownText(), QStringLiteral("123456/234567 (12345 failed)"));
        QCOMPARE(FindClipping(bar), QString());
    }

    void outputToolBarNeverHidesACommand()
    {
        const TFontScale font(1.5);
        QTemporaryDir dir;
        const TPaths paths(dir.path());
        TResultLists lists;
        TOutputPanel panel(lists, paths, [] { return QString(); });
        panel.resize(1200, 400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        auto* bar = panel.findChild<QToolBar*>(QStringLiteral("OutputToolBar"));
        QTRY_COMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

        // Too narrow for the captions: the icons alone, every command still on the bar.
        panel.resize(bar->sizeHint().width() - 40, 400);
        QTRY_COMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(panel.ViewButton()->toolButtonStyle(), Qt::ToolButtonIconOnly);
        for (QAction* action : bar->actions()) {
            if (action->isSeparator())
                continue;
            QWidget* button = bar->widgetForAction(action);
            QVERIFY2(button, qPrintable(action->text()));
            QTRY_VERIFY2(button->isVisible(), qPrintable(action->text()));
            QVERIFY(bar->rect().contains(button->geometry()));
        }
        QCOMPARE(panel.ViewButton()->toolTip(), QStringLiteral("View"));

        panel.resize(1200, 400);
        QTRY_COMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }

    void elidedLabelKeepsBothEndsOfAnAddress()
    {
        TElidedLabel label;
        const QString address = QStringLiteral("http://www.example.test/a/very/long/path/that/goes/on/page.html");
        label.setText(QStringLiteral("Current Page: ") + address);
        label.resize(label.sizeHint());
        QVERIFY(!label.IsElided());
        QCOMPARE(label.ShownText(), label.text());
        QCOMPARE(label.toolTip(), label.text());

        // Its least width is a few characters, so a long address never widens the window.
        QVERIFY(label.minimumSizeHint().width() < label.fontMetrics().horizontalAdvance(address) / 4);

        label.resize(label.sizeHint().width() / 2, label.height());
        QVERIFY(label.IsElided());
        const QString shown = label.ShownText();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.startsWith(QStringLiteral("Current Page: http")));
        QVERIFY(shown.endsWith(QStringLiteral("page.html")));
        QVERIFY(label.fontMetrics().horizontalAdvance(shown) <= label.width());

        // Line breaks never make a second, invisible line; an emptied text empties the tooltip.
        label.setText(QStringLiteral("a\r\nb"));
        label.resize(label.sizeHint());
        QVERIFY(!label.ShownText().contains(u'\n'));
        label.setText(QString());
        QCOMPARE(label.toolTip(), QString());
        QVERIFY(!label.IsElided());
    }
};

PAGEMINT_UI_TEST_MAIN(TestLayouts)
#include "layouts_test.moc"
