#pragma once

// The export window, step 2 of the wizard: the user tables of the opened database as rows
// with check boxes, the export options, and "Start Exporting". Every option is written to
// the settings store the moment it changes and restored when the window loads. The window
// does not fill its own list: the main window has the table catalog fill ListView1().

#include "app/appearance/Appearance.h"
#include "app/services/UiServices.h"

#include <QCursor>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quorvane::app {
class SettingsStore;
}
namespace quorvane::db {
class ConnectionInputs;
class ObjectFactory;
} // namespace quorvane::db
namespace quorvane::report {
class ErrorReporter;
}

namespace quorvane::exporter {

class Form2ExportHost;
class TableListView;
class TextProgressBar;

// The window's pointer settings (default, hourglass, the hand), shared with the main window.
namespace pointer = app::pointer;

// What the window needs besides the main window, the store and the platform services.
struct Form2Setup {
    // The folder that holds the program's data files: "HAND-M.CUR" there becomes the
    // pointer over push buttons.
    QString programFolder;
    // The program's icon, the window icon.
    QIcon icon;
    // The base of the default output folder where it exists, otherwise `homeFolder`;
    // empty means the user's own Desktop and home folders.
    QString desktopFolder;
    QString homeFolder;
    // "< Back": shows the main window (this window hides itself afterwards).
    std::function<void()> showForm1;
    // Closing the window ends the program; empty means QCoreApplication::quit().
    std::function<void()> endProgram;
    // Where run-time errors are reported; nullptr means the program-wide reporter.
    report::ErrorReporter* reporter = nullptr;
    // Where the export's connection and record set come from; nullptr means
    // db::objectFactory(), the Access file reader.
    db::ObjectFactory* factory = nullptr;
    // How often the export lets the window repaint and react; unset means the engine's
    // default.
    std::optional<std::chrono::milliseconds> yieldInterval;
};

class Form2 : public QWidget {
    Q_OBJECT

public:
    // `form1` supplies the database path and password for the export's connection.
    Form2(const db::ConnectionInputs& form1, app::SettingsStore& settings, app::UiServices services,
          Form2Setup setup = {}, QWidget* parent = nullptr);
    ~Form2() override;

    // The table list. The first reference loads the window (Form_Load restores the
    // options) before the list is handed out, so the catalog fills a loaded window.
    TableListView& ListView1();

    // Runs Form_Load unless it has run already; showing the window does the same.
    void ensureLoaded();
    bool isLoaded() const { return m_loaded; }

    // True while "Start Exporting" runs (the export yields to the event loop throughout).
    bool isExporting() const { return m_exporting; }

    // The program is ending (this window was closed, or the main window was while this one
    // was hidden): a running export stops at its next look at the list, writes nothing
    // more and shows nothing more, and "Start Exporting" no longer starts one.
    void prepareToEnd();

    // The window's pointer setting (pointer::kDefault, kHourglass or kCustom).
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int setting);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class Form2ExportHost;

    void buildControls();
    void connectHandlers();
    void setTabOrder();

    void Form_Load();
    void Form_Unload();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void Text1_Change();
    void Text2_Change();
    void Check6_Click();
    void Check1_Click();
    void Option1_Click();
    void Option2_Click();
    void hoverOverButton();
    void hoverOverBackground();

    void setAllRowsChecked(const QString& location, bool checked);
    void storeSaveOptions();
    void runExport();
    report::ErrorReporter& reporter() const;

    const db::ConnectionInputs& m_form1;
    app::SettingsStore& m_settings;
    app::UiServices m_services;
    Form2Setup m_setup;

    bool m_loaded = false;
    bool m_exporting = false;
    bool m_unloading = false;
    bool m_centred = false;
    int m_mousePointer = pointer::kDefault;
    std::optional<QCursor> m_handPointer;
    std::unique_ptr<Form2ExportHost> m_exportHost;

    QPushButton* m_PushButton2 = nullptr;
    TableListView* m_ListView1 = nullptr;
    QPushButton* m_PushButton1 = nullptr;
    QPushButton* m_PushButton3 = nullptr;
    QGroupBox* m_Frame3 = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QGroupBox* m_Frame4 = nullptr;
    QCheckBox* m_Check6 = nullptr;
    QGroupBox* m_Frame6 = nullptr;
    QCheckBox* m_Check1 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    QRadioButton* m_Option1 = nullptr;
    QRadioButton* m_Option2 = nullptr;
    QGroupBox* m_Frame2 = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QPushButton* m_PushButton4 = nullptr;
    QPushButton* m_PushButton5 = nullptr;
    TextProgressBar* m_ProgressBar1 = nullptr;
};

} // namespace quorvane::exporter
