#pragma once
/**
 * The program settings dialog (caption "Settings"): the seven browser options, the
 * downloader's proxy, credentials, session sharing and retries, and the gallery's thumbnail
 * cache switch. Every showing rereads pmsettings.ini (which also applies the browser options)
 * and shows what is stored; "Save" copies the controls into the settings and writes the file;
 * "Close" drops the changes. GUI thread.
 */

#include <QDialog>
#include <array>
#include <functional>

struct TProgramSettings;
class QCheckBox;
class QLineEdit;
class QSpinBox;

class TSettingForm : public QDialog
{
    Q_OBJECT
public:
    /**
     * settings: the program's settings (owned by the engine).
     * readSettings: rereads the file into settings and applies the browser options.
     * writeSettings: writes settings to the file; throws EPagemintError when it cannot.
     */
    TSettingForm(TProgramSettings& settings, std::function<void()> readSettings,
                 std::function<void()> writeSettings, QWidget* parent = nullptr);

    /** Rereads the file and sets every control from the settings. */
    void FormShow();
    /** Copies the controls into the settings, writes them and closes with OK; a write error is
     *  shown by the general error display and the dialog stays open. */
    void Save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeGalleryPage();

private:
    TProgramSettings& m_settings;
    std::function<void()> m_readSettings;
    std::function<void()> m_writeSettings;
    std::array<QCheckBox*, 7> m_browser{};
    QLineEdit* m_proxyServer = nullptr;
    QLineEdit* m_proxyPort = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_shareSession = nullptr;
    QSpinBox* m_retries = nullptr;
    QCheckBox* m_writeThumbnailCache = nullptr;
};
