#pragma once

// A folder picker that answers what the test chose and records how it was asked.

#include "app/services/UiServices.h"

#include <QString>

#include <vector>

namespace quorvane::testing {

struct FakeFileDialogs : app::FileDialogs {
    struct Call {
        QWidget* owner = nullptr;
        QString title;
        QString initialFolder;
    };
    QString folderAnswer;
    std::vector<Call> folderCalls;
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder) override
    {
        folderCalls.push_back({owner, title, initialFolder});
        return folderAnswer;
    }
};

} // namespace quorvane::testing
