#pragma once

#include "export/ExportHost.h"

namespace quorvane::exporter {

class Form2;

// What the export engine reads and drives while "Start Exporting" runs: the export
// window's controls, read at the moment the engine asks, its progress bar, its pointer and
// its message boxes. Once the program is ending (prepareToEnd()) the engine is asked to
// stop at its next yield: it drops the file in hand, writes and shows nothing more.
class Form2ExportHost final : public ExportOptions,
                              public TableList,
                              public ProgressSink,
                              public EventPump,
                              public MousePointer,
                              public UserMessages,
                              public ExportFailures {
public:
    explicit Form2ExportHost(Form2& form);

    // The engine's view of the window, every pointer set.
    ExportHost host(const db::ConnectionInputs& database, db::ObjectFactory& factory);

    QString outputFolder() const override;
    QString separator() const override;
    bool headerLine() const override;
    bool quotes() const override;
    bool oneFilePerTable() const override;
    bool oneFileForAll() const override;

    int count() const override;
    QString name(int index) const override;
    bool isTicked(int index) const override;

    void setValue(double value) override;
    void setText(const QString& text) override;

    void processEvents() override;
    bool stopRequested() const override;
    void restoreDefault() override;
    void showMessage(const QString& text) override;
    // The window's voice: the fixed error report under "Start Exporting"'s location.
    void exportFailed(const ExportFailure& failure) override;

private:
    Form2& m_form;
};

} // namespace quorvane::exporter
