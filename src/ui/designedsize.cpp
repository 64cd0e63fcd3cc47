#include "ui/designedsize.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>

namespace {

void Fit(QWidget* window, const QSize& designed)
{
    QSize needed = designed;
    if (QLayout* layout = window->layout()) {
        layout->activate();
        needed = needed.expandedTo(layout->totalMinimumSize());
    }
    if (window->minimumSize() != needed)
        window->setMinimumSize(needed);
    // A window never resized has a made-up size (640 x 480); it starts from what it needs.
    const QSize from = window->testAttribute(Qt::WA_Resized) ? window->size() : QSize();
    const QSize size = from.expandedTo(needed).expandedTo(window->sizeHint());
    if (size != window->size() || !window->testAttribute(Qt::WA_Resized))
        window->resize(size);
}

/** Refits the window whenever its layout asks for new room (a font change, longer texts)
 *  and before each showing. */
class TDesignedSizeKeeper : public QObject
{
public:
    TDesignedSizeKeeper(QWidget* window, const QSize& designed)
        : QObject(window), m_window(window), m_designed(designed)
    {
        setObjectName(QStringLiteral("DesignedSizeKeeper"));
        window->installEventFilter(this);
    }
    void SetDesigned(const QSize& designed) { m_designed = designed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show))
            Fit(m_window, m_designed);
        return false;
    }

private:
    QWidget* m_window;
    QSize m_designed;
};

} // namespace

void FitToDesignedSize(QWidget* window, const QSize& designed)
{
    auto* keeper = dynamic_cast<TDesignedSizeKeeper*>(
        window->findChild<QObject*>(QStringLiteral("DesignedSizeKeeper"), Qt::FindDirectChildrenOnly));
    if (keeper)
        keeper->SetDesigned(designed);
    else
        new TDesignedSizeKeeper(window, designed);
    Fit(window, designed);
}
