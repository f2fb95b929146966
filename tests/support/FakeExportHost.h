#pragma once

// The export engine's host as plain data: options and table rows a test sets, and
// recorders for progress, messages, pointer resets and error reports. `onEvents` runs
// at every event-loop turn, where a test can change options like a user would, or set
// `stop` like a window that is closed.

#include "FakeAdo.h"
#include "RecordingErrorReporter.h"

#include "export/ExportHost.h"
#include "report/ApplicationError.h"
#include "report/Locations.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace quorvane::fakes {

class FakeExportHost : public exporter::ExportOptions,
                       public exporter::TableList,
                       public exporter::ProgressSink,
                       public exporter::EventPump,
                       public exporter::MousePointer,
                       public exporter::UserMessages,
                       public exporter::ExportFailures {
public:
    explicit FakeExportHost(std::shared_ptr<FakeDatabase> db = std::make_shared<FakeDatabase>())
        : factory(std::move(db))
    {
    }

    // ExportOptions
    QString outputFolder() const override { return folder; }
    QString separator() const override { return sep; }
    bool headerLine() const override { return header; }
    bool quotes() const override { return quote; }
    bool oneFilePerTable() const override { return option1; }
    bool oneFileForAll() const override { return option2; }

    // TableList
    int count() const override { return static_cast<int>(rows.size()); }
    QString name(int index) const override { return rows.at(static_cast<std::size_t>(index)).first; }
    bool isTicked(int index) const override { return rows.at(static_cast<std::size_t>(index)).second; }

    // ProgressSink
    void setValue(double value) override { values.push_back(value); }
    void setText(const QString& text) override { texts.append(text); }

    // EventPump
    void processEvents() override
    {
        ++eventTurns;
        if (onEvents)
            onEvents();
    }
    bool stopRequested() const override { return stop; }

    // MousePointer
    void restoreDefault() override { ++pointerResets; }

    // UserMessages
    void showMessage(const QString& text) override { messages.append(text); }

    // ExportFailures: kept as facts, and as the window words them.
    void exportFailed(const exporter::ExportFailure& failure) override
    {
        failures.push_back(failure);
        progressAtFailure.append(texts.isEmpty() ? QString() : texts.back());
        report::ShowApplicationError(errors, failure.description, report::location::kForm2PushButton5Click,
                                     failure.statement, failure.number);
    }

    exporter::ExportHost host()
    {
        exporter::ExportHost h;
        h.options = this;
        h.tables = this;
        h.progress = this;
        h.events = this;
        h.pointer = this;
        h.messages = this;
        h.failures = this;
        h.database = &inputs;
        h.factory = &factory;
        return h;
    }

    FakeDatabase& db() { return factory.database(); }
    // Adds a table to the database and a ticked row for it.
    FakeTable& addTable(QString name, QStringList columns, std::vector<std::vector<db::Value>> data = {})
    {
        rows.emplace_back(name, true);
        return db().add(std::move(name), std::move(columns), std::move(data));
    }

    QString folder;
    QString sep = QStringLiteral(",");
    bool header = true;
    bool quote = true;
    bool option1 = true;
    bool option2 = false;
    std::vector<std::pair<QString, bool>> rows;

    std::vector<double> values;
    QStringList texts;
    QStringList messages;
    int eventTurns = 0;
    int pointerResets = 0;
    std::function<void()> onEvents;
    bool stop = false; // what stopRequested() answers

    FakeObjectFactory factory;
    FixedConnectionInputs inputs;
    RecordingErrorReporter errors;
    std::vector<exporter::ExportFailure> failures;
    QStringList progressAtFailure; // the progress text shown with each failure
};

} // namespace quorvane::fakes
