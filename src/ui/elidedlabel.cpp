#include "ui/elidedlabel.h"

#include "task/textfile.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

TElidedLabel::TElidedLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    QLabel::setTextFormat(Qt::PlainText);
    QLabel::setWordWrap(false);
    setText(text);
}

void TElidedLabel::setText(const QString& text)
{
    QLabel::setText(text);
    setToolTip(text);
}

void TElidedLabel::SetElideMode(Qt::TextElideMode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    update();
}

void TElidedLabel::SetShortText(const QString& text)
{
    if (m_shortText == text)
        return;
    m_shortText = text;
    updateGeometry();
    update();
}

int TElidedLabel::AvailableWidth() const
{
    const int inset = 2 * margin() + qMax(0, indent());
    return qMax(0, contentsRect().width() - inset);
}

QString TElidedLabel::ShownText() const
{
    // A line break would make a second line the one-line label cannot show.
    const QString oneLine = pagemint::OneLine(text());
    const QFontMetrics metrics = fontMetrics();
    if (!m_shortText.isEmpty() && metrics.horizontalAdvance(oneLine) > AvailableWidth())
        return metrics.elidedText(m_shortText, m_mode, AvailableWidth());
    return metrics.elidedText(oneLine, m_mode, AvailableWidth());
}

bool TElidedLabel::IsElided() const
{
    return ShownText() != pagemint::OneLine(text());
}

QSize TElidedLabel::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int inset = 2 * margin() + qMax(0, indent()) + 2 * frameWidth();
    return {metrics.horizontalAdvance(text()) + inset + 1, metrics.height() + 2 * margin() + 2 * frameWidth()};
}

QSize TElidedLabel::minimumSizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int inset = 2 * margin() + qMax(0, indent()) + 2 * frameWidth();
    const int text = m_shortText.isEmpty() ? metrics.horizontalAdvance(QStringLiteral("Mmm…mm"))
                                           : metrics.horizontalAdvance(m_shortText) + 1;
    return {text + inset,
            metrics.height() + 2 * margin() + 2 * frameWidth()};
}

void TElidedLabel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (indent() > 0)
        area.setLeft(area.left() + indent());
    Qt::Alignment align = alignment();
    // The ellipsis only makes sense in one line laid out from the left edge or the centre.
    align &= ~Qt::AlignJustify;
    style()->drawItemText(&painter, area, int(align) | Qt::TextSingleLine, palette(), isEnabled(),
                          ShownText(), foregroundRole());
}

bool TElidedLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && toolTip() != text()) {
        // The text was set through QLabel directly: show the whole text all the same.
        auto* help = static_cast<QHelpEvent*>(event);
        if (text().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}
