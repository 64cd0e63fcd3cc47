#include "ui/logonbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

// Short captions: the browser panel is narrow until it is widened.
const QString kWiden = QStringLiteral("&Widen");
const QString kNarrow = QStringLiteral("&Restore");

} // namespace

TLogonBar::TLogonBar(TClock clock, QSplitter* splitter, int pane, QWidget* parent)
    : QFrame(parent)
    , m_clock(std::move(clock))
    , m_splitter(splitter)
    , m_pane(pane)
{
    setObjectName(QStringLiteral("LogonBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette tint = palette();
    tint.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xc8));
    tint.setColor(QPalette::WindowText, QColor(0x3a, 0x2c, 0x00));
    setPalette(tint);

    m_text = new QLabel(QStringLiteral("Please log on to the site in the browser below. Click Continue when you "
                                       "are logged on; otherwise the task goes on by itself."),
                        this);
    m_text->setObjectName(QStringLiteral("LogonText"));
    m_text->setWordWrap(true);
    m_countdown = new QLabel(this);
    m_countdown->setObjectName(QStringLiteral("LogonCountdown"));
    QFont bold = m_countdown->font();
    bold.setBold(true);
    m_countdown->setFont(bold);
    m_continue = new QPushButton(QStringLiteral("&Continue"), this);
    m_continue->setObjectName(QStringLiteral("LogonContinue"));
    m_widen = new QPushButton(kWiden, this);
    m_widen->setObjectName(QStringLiteral("LogonWiden"));
    m_widen->setCheckable(true);
    m_widen->setToolTip(QStringLiteral("Widens the browser panel to most of the window for the logon, and back"));
    m_continue->setToolTip(QStringLiteral("You are logged on: the task goes on at once"));
    connect(m_continue, &QPushButton::clicked, this, &TLogonBar::ContinueRequested);
    connect(m_widen, &QPushButton::toggled, this, &TLogonBar::SetWidened);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_continue);
    buttons->addWidget(m_widen);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_text);
    layout->addWidget(m_countdown);
    layout->addLayout(buttons);

    m_tick.setInterval(250);
    connect(&m_tick, &QTimer::timeout, this, &TLogonBar::ShowCountdown);
    hide();
}

void TLogonBar::Begin(qint64 deadlineMs)
{
    m_deadline = deadlineMs;
    ShowCountdown();
    show();
    m_tick.start();
}

void TLogonBar::End()
{
    m_tick.stop();
    hide();
    m_widen->setChecked(false);   // gives a widened panel its width back
}

int TLogonBar::SecondsLeft() const
{
    const qint64 left = m_deadline - m_clock();
    return left <= 0 ? 0 : int((left + 999) / 1000);
}

void TLogonBar::ShowCountdown()
{
    m_countdown->setText(QStringLiteral("The task goes on in %1 s.").arg(SecondsLeft()));
}

void TLogonBar::SetWidened(bool widened)
{
    if (m_widen->isChecked() != widened) {
        m_widen->setChecked(widened);   // comes back here through toggled
        return;
    }
    m_widen->setText(widened ? kNarrow : kWiden);
    if (!m_splitter || widened == IsWidened())
        return;
    if (!widened) {
        m_splitter->setSizes(m_savedSizes);
        m_savedSizes.clear();
        return;
    }
    m_savedSizes = m_splitter->sizes();
    // Every other shown panel keeps only the width it cannot do without.
    QList<int> sizes = m_savedSizes;
    int rest = 0;
    for (int size : m_savedSizes)
        rest += size;
    for (int i = 0; i < m_splitter->count(); ++i) {
        QWidget* panel = m_splitter->widget(i);
        if (i == m_pane || panel->isHidden())
            continue;
        // The least width the splitter allows it: its own minimum where it has one.
        const int least = panel->minimumWidth() > 0 ? panel->minimumWidth() : panel->minimumSizeHint().width();
        sizes[i] = qMin(sizes[i], least);
        rest -= sizes[i];
    }
    if (m_pane >= 0 && m_pane < sizes.size())
        sizes[m_pane] = qMax(rest, 0);
    m_splitter->setSizes(sizes);
}
