#pragma once
/**
 * A one-line label that never forces its container wider than a few characters: when its
 * text does not fit, it shows the text shortened with an ellipsis (in the middle by default,
 * so both the start and the end of an address stay visible), and its tooltip always holds
 * the whole text. Plain text only. GUI thread.
 *
 * Set the text through TElidedLabel::setText (not through a QLabel pointer) so the tooltip
 * follows; a tooltip request still shows the whole text otherwise.
 */

#include <QLabel>

class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    /** Sets the whole text and the tooltip to it. */
    void setText(const QString& text);

    void SetElideMode(Qt::TextElideMode mode);
    /** A shorter form of the text, shown instead of it when the whole text does not fit. While
     *  one is set, the label is never narrower than that form, so the form is never cut. */
    void SetShortText(const QString& text);
    Qt::TextElideMode ElideMode() const { return m_mode; }

    /** The text as drawn at the current width. */
    QString ShownText() const;
    /** Whether the drawn text is shortened. */
    bool IsElided() const;

    /** The whole text on one line. */
    QSize sizeHint() const override;
    /** Room for the short form, or else for a few characters and the ellipsis only. */
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int AvailableWidth() const;

    Qt::TextElideMode m_mode = Qt::ElideMiddle;
    QString m_shortText;
};
