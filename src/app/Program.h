#pragma once

// The window program as a whole: the platform services, the settings store, the error
// report, the main window and, from the first "Next >" on, the export window.

#include "Form1.h"
#include "WindowErrorReporter.h"
#include "services/QtServices.h"
#include "settings/SettingsStore.h"

#include <QIcon>

#include <memory>

namespace quorvane::exporter {
class Form2;
}

namespace quorvane::app {

class Program : private ExportStep {
public:
    // `services` replaces the platform's services where a member is set (tests).
    // `startDatabase`, when set, is opened at once in place of the one used last time.
    explicit Program(UiServices services = {}, const QString& startDatabase = QString());
    ~Program() override;

    // Starts the main window and runs the event loop until the program ends.
    int run();
    // Start-up alone: the main window loads and shows, or moves on to the export window.
    void start();

    // Closing either window: both go, also in the middle of an export, which stops at
    // its next yield. Nothing needs saving; every value was stored when it changed.
    void endProgram();

    Form1& form1() { return *m_form1; }
    // The export window, once the first "Next >" has loaded it.
    exporter::Form2* loadedForm2() { return m_form2.get(); }
    bool isEnding() const { return m_ending; }

private:
    // ExportStep: the export window, loaded on first use.
    db::TableListTarget& ListView1() override;
    void Show() override;
    exporter::Form2& form2();

    QtMessageBoxes m_messageBoxes;
    QtFileDialogs m_fileDialogs;
    QtBrowserOpener m_browser;
    QtRandomSource m_random;
    QtClock m_clock;
    UiServices m_services;
    SettingsStore m_settings;
    WindowErrorReporter m_reporter;
    QIcon m_icon;
    bool m_ending = false;
    // The export window reads the main window's boxes, so it goes first.
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<exporter::Form2> m_form2;
};

} // namespace quorvane::app
