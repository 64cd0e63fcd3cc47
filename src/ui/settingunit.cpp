#include "ui/settingunit.h"

#include "download/retrypolicy.h"

#include "task/programsettings.h"
#include "ui/designedsize.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace pagemint;

namespace {

const QSize kDesignedSize(403, 444);

} // namespace

TSettingForm::TSettingForm(TProgramSettings& settings, std::function<void()> readSettings,
                           std::function<void()> writeSettings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_readSettings(std::move(readSettings))
    , m_writeSettings(std::move(writeSettings))
{
    setObjectName(QStringLiteral("SettingForm"));
    setWindowTitle(QStringLiteral("Settings"));

    auto* tabs = new QTabWidget(this);

    auto* browserPage = new QWidget;
    auto* browserGroup = new QGroupBox(QStringLiteral("Browser options"), browserPage);
    auto* browserLayout = new QVBoxLayout(browserGroup);
    browserLayout->setSpacing(10);
    const char* captions[7] = {"Download Images",      "Download Videos",   "Download Background Sounds",
                               "Don't Excute Scripts", "Don't Excute JAVA", "Don't Excute ActiveX",
                               "Don't Download ActiveX"};
    for (int i = 0; i < 7; ++i) {
        m_browser[i] = new QCheckBox(QString::fromLatin1(captions[i]), browserGroup);
        m_browser[i]->setObjectName(QStringLiteral("Browser%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        browserLayout->addWidget(m_browser[i]);
    }
    auto* browserPageLayout = new QVBoxLayout(browserPage);
    browserPageLayout->addWidget(browserGroup);
    browserPageLayout->addStretch(1);
    tabs->addTab(browserPage, QStringLiteral("Browser"));

    auto* downloaderPage = new QWidget;
    auto makeEdit = [downloaderPage](const char* name) {
        auto* edit = new QLineEdit(downloaderPage);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    m_proxyServer = makeEdit("ProxyServer");
    m_proxyPort = makeEdit("ProxyPort");
    m_userName = makeEdit("AuthUserName");
    m_password = makeEdit("AuthPassword");
    auto* proxyGroup = new QGroupBox(QStringLiteral("Proxy"), downloaderPage);
    auto* proxyLayout = new QFormLayout(proxyGroup);
    proxyLayout->addRow(QStringLiteral("Proxy Server:"), m_proxyServer);
    proxyLayout->addRow(QStringLiteral("Proxy Port:"), m_proxyPort);
    auto* authGroup = new QGroupBox(QStringLiteral("Authentication"), downloaderPage);
    auto* authLayout = new QFormLayout(authGroup);
    authLayout->addRow(QStringLiteral("User Name:"), m_userName);
    authLayout->addRow(QStringLiteral("Password:"), m_password);
    auto* downloaderLayout = new QVBoxLayout(downloaderPage);
    downloaderLayout->addWidget(proxyGroup);
    downloaderLayout->addWidget(authGroup);
    m_shareSession = new QCheckBox(QStringLiteral("Downloads share the browser's session"), downloaderPage);
    m_shareSession->setObjectName(QStringLiteral("ShareBrowserSession"));
    m_shareSession->setToolTip(QStringLiteral("Send the browser's cookies, its user agent and the page "
                                              "a file was found on with each download"));
    m_retries = new QSpinBox(downloaderPage);
    m_retries->setObjectName(QStringLiteral("DownloadRetries"));
    m_retries->setRange(TRetryPolicy::MinRetries, TRetryPolicy::MaxRetries);
    auto* retriesLayout = new QFormLayout;
    retriesLayout->addRow(QStringLiteral("Retries:"), m_retries);
    downloaderLayout->addWidget(m_shareSession);
    downloaderLayout->addLayout(retriesLayout);
    downloaderLayout->addStretch(1);
    tabs->addTab(downloaderPage, QStringLiteral("Downloader"));
    tabs->addTab(MakeGalleryPage(), QStringLiteral("Gallery"));

    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("SaveButton"));
    save->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(save, &QPushButton::clicked, this, &TSettingForm::Save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);
    // The designed size is the least one; a larger font makes the dialog grow to fit.
    FitToDesignedSize(this, kDesignedSize);
}

QWidget* TSettingForm::MakeGalleryPage()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("Thumbnails"), page);
    m_writeThumbnailCache =
        new QCheckBox(QStringLiteral("Save thumbnails to the desktop's shared thumbnail cache"), group);
    m_writeThumbnailCache->setObjectName(QStringLiteral("Gallery01"));
    m_writeThumbnailCache->setToolTip(
        QStringLiteral("Thumbnails made for the Images list are kept where file managers keep theirs, "
                       "so that the next showing is faster. Thumbnails already there are used either way."));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_writeThumbnailCache);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

void TSettingForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSettingForm::FormShow()
{
    TMessages::RunCommand(this, [this] { m_readSettings(); });
    const TProgramSettings& s = m_settings;
    m_writeThumbnailCache->setChecked(s.WriteThumbnailCache);
    const bool values[7] = {s.DownloadImages,     s.DownloadVideos,  s.DownloadBGSounds,
                            s.DontExecuteScripts, s.DontExecuteJava, s.DontExecuteActiveX,
                            s.DontDownloadActiveX};
    for (int i = 0; i < 7; ++i)
        m_browser[i]->setChecked(values[i]);
    m_proxyServer->setText(s.ProxyServer);
    m_proxyPort->setText(s.ProxyPort);
    m_userName->setText(s.AuthUserName);
    m_password->setText(s.AuthPassword);
    m_shareSession->setChecked(s.ShareBrowserSession);
    m_retries->setValue(s.DownloadRetries);
}

void TSettingForm::Save()
{
    TProgramSettings& s = m_settings;
    s.WriteThumbnailCache = m_writeThumbnailCache->isChecked();
    s.DownloadImages = m_browser[0]->isChecked();
    s.DownloadVideos = m_browser[1]->isChecked();
    s.DownloadBGSounds = m_browser[2]->isChecked();
    s.DontExecuteScripts = m_browser[3]->isChecked();
    s.DontExecuteJava = m_browser[4]->isChecked();
    s.DontExecuteActiveX = m_browser[5]->isChecked();
    s.DontDownloadActiveX = m_browser[6]->isChecked();
    s.ProxyServer = m_proxyServer->text();
    s.ProxyPort = m_proxyPort->text();
    s.AuthUserName = m_userName->text();
    s.AuthPassword = m_password->text();
    s.ShareBrowserSession = m_shareSession->isChecked();
    s.DownloadRetries = m_retries->value();
    if (TMessages::RunCommand(this, [this] { m_writeSettings(); }))
        accept();
}
