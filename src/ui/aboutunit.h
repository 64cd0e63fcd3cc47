#pragma once
/**
 * The About box (caption "About"): title, version, the homepage and the maker's e-mail
 * address as links, and "Close". At least its designed size, larger when the font needs it.
 * Created hidden at start-up, shown modally. GUI thread.
 */

#include <QDialog>

class QLabel;

class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* WebsiteLink() const { return m_websiteLink; }
    QLabel* EmailLink() const { return m_emailLink; }

private:
    QLabel* m_websiteLink = nullptr;
    QLabel* m_emailLink = nullptr;
};
