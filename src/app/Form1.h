#pragma once

// The main window, step 1 of the wizard: the user names an Access database and its
// password, then "Next >" opens it, has the table catalog fill the export window's list
// and moves on to that window. The program's start-up runs in Form_Load.

#include "Form1Dialogue.h"
#include "appearance/SkinFramework.h"
#include "services/UiServices.h"

#include "db/ConnectionString.h"

#include <QCursor>
#include <QIcon>
#include <QWidget>

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane::db {
class TableListTarget;
struct CatalogContext;
}
namespace quorvane::report {
class ErrorReporter;
}

namespace quorvane::app {

class SettingsStore;

// What the main window needs of the export window.
class ExportStep {
public:
    virtual ~ExportStep() = default;
    // The export window's table list; the first reference loads that window.
    virtual db::TableListTarget& ListView1() = 0;
    // Shows the export window, not modal.
    virtual void Show() = 0;
};

struct Form1Setup {
    // Loads the export window on first use and hands it out afterwards.
    std::function<ExportStep&()> form2;
    // Ends the program when the window is closed; empty means QCoreApplication::exit(0).
    std::function<void()> endProgram;
    // Where run-time errors are reported; nullptr means the program-wide reporter.
    report::ErrorReporter* reporter = nullptr;
    // The program's icon.
    QIcon icon;
    // The database named on the command line: start-up puts it into the path box and
    // goes on as "Next >" does, in place of reopening the one used last time.
    QString startDatabase;
};

class Form1 : public QWidget, public db::ConnectionInputs {
    Q_OBJECT

public:
    Form1(SettingsStore& settings, UiServices services, Form1Setup setup, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: Form_Load, then the window is shown unless start-up has already moved on
    // to the export window.
    void start();

    // The database path and password, read by the connection string at the moment of use.
    QString databasePath() const override;
    QString databasePassword() const override;

    // The window's pointer setting (pointer::kDefault, kHourglass or kCustom).
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int setting);
    bool hasHandPointer() const { return m_handPointer.has_value(); }

    const SkinFramework& SkinFramework1() const { return m_SkinFramework1; }

    // The handlers, as the window's events run them.
    void Form_Load();
    void Form_Unload();
    void PushButton1_Click();
    void PushButton3_Click();
    void PushButton5_Click();
    void Text1_Change();
    void Text2_Change();
    void Text1_GotFocus();
    void Text2_GotFocus();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void setTabOrder();
    void centreOnScreen();
    void hoverOver(bool overButton);
    report::ErrorReporter& reporter() const;
    db::CatalogContext catalogContext();

    SettingsStore& m_settings;
    UiServices m_services;
    Form1Setup m_setup;
    Form1Dialogue m_dialogue;
    SkinFramework m_SkinFramework1;

    int m_mousePointer = 0;
    std::optional<QCursor> m_handPointer;
    bool m_loading = false;
    bool m_movedOnDuringLoad = false;
    bool m_unloading = false;

    QGroupBox* m_Frame1 = nullptr;
    QLabel* m_Label5 = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QPushButton* m_PushButton5 = nullptr;
    QLabel* m_lblPassword = nullptr;
    QLineEdit* m_Text2 = nullptr;
    QPushButton* m_PushButton1 = nullptr;
    QPushButton* m_PushButton3 = nullptr;
};

} // namespace quorvane::app
