#include "ui/aboutunit.h"

#include "ui/designedsize.h"
#include "ui/desktop.h"
#include "ui/icons.h"
#include "ui/productinfo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* MakeLink(const QString& shown, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(shown.toHtmlEscaped()), parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    icon->setFixedSize(48, 48);

    auto* title = new QLabel(QStringLiteral("Pagemint 1.0"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    auto* version = new QLabel(QStringLiteral("Version: 1.0 (Date: 07/21/2008)"), this);

    m_websiteLink = MakeLink(ProductInfo::HomepageURL(), this);
    m_websiteLink->setObjectName(QStringLiteral("WebsiteLink"));
    m_emailLink = MakeLink(ProductInfo::MakerEmail(), this);
    m_emailLink->setObjectName(QStringLiteral("EmailLink"));
    connect(m_websiteLink, &QLabel::linkActivated, this,
            [] { TDesktop::OpenWebPage(ProductInfo::HomepageURL()); });
    connect(m_emailLink, &QLabel::linkActivated, this,
            [] { TDesktop::OpenShellLink(QStringLiteral("mailto:") + ProductInfo::MakerEmail()); });

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(8);
    auto* links = new QGridLayout;
    links->setHorizontalSpacing(6);
    links->addWidget(new QLabel(QStringLiteral("Website:"), this), 0, 0);
    links->addWidget(m_websiteLink, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("E-mail:"), this), 1, 0);
    links->addWidget(m_emailLink, 1, 1);
    links->setColumnStretch(1, 1);
    text->addLayout(links);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 12);
    layout->addLayout(top);
    layout->addStretch(1);
    layout->addLayout(buttons);
    // The designed size is the least one: a larger font widens the box until both links show whole.
    FitToDesignedSize(this, QSize(356, 171));
}
