#pragma once

// Recording stand-ins for what the export window asks of the platform and the main window.

#include "report/ErrorReporter.h"
#include "FakeFileDialogs.h"
#include "app/services/UiServices.h"
#include "db/ConnectionString.h"

#include <QList>
#include <QString>

#include <vector>

namespace quorvane::testing {

struct FakeForm1 : db::ConnectionInputs {
    QString path;
    QString password;
    QString databasePath() const override { return path; }
    QString databasePassword() const override { return password; }
};

struct RecordingReporter : report::ErrorReporter {
    std::vector<report::ApplicationError> reports;
    void showApplicationError(const report::ApplicationError& error) override { reports.push_back(error); }
};

struct RecordingMessageBoxes : app::MessageBoxes {
    struct Shown {
        QString text;
        int style = 0;
        QString title;
    };
    std::vector<Shown> shown;
    int answer = app::mb::kOk;
    int show(QWidget*, const QString& text, int style, const QString& title) override
    {
        shown.push_back({text, style, title});
        return answer;
    }
};

} // namespace quorvane::testing
