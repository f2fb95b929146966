#pragma once

// The export engine's host on a command line: fixed options from the arguments, the
// tables named there (all ticked), a progress bar on stderr when it is a terminal,
// messages and error reports on stderr.

#include "ExportCommand.h"

#include "app/report/ErrorReporter.h"
#include "export/ExportHost.h"

#include <QStringList>

namespace quorvane::cli {

class CommandLineHost : private exporter::ProgressSink,
                        private exporter::EventPump,
                        private exporter::MousePointer,
                        private exporter::UserMessages,
                        private report::ErrorReporter {
public:
    struct Options : exporter::ExportOptions {
        QString folderText;
        QString separatorText;
        bool headerOn = true;
        bool quotesOn = true;
        bool oneFile = false;
        QString outputFolder() const override { return folderText; }
        QString separator() const override { return separatorText; }
        bool headerLine() const override { return headerOn; }
        bool quotes() const override { return quotesOn; }
        bool oneFilePerTable() const override { return !oneFile; }
        bool oneFileForAll() const override { return oneFile; }
        exporter::OutputStyle style;
        QIODevice* device = nullptr; // "-o -": standard output
        exporter::OutputStyle outputStyle() const override { return style; }
        QIODevice* outputDevice() const override { return device; }
    };

    struct Tables : exporter::TableList {
        QStringList names;
        int count() const override { return static_cast<int>(names.size()); }
        QString name(int index) const override { return names.at(index); }
        bool isTicked(int) const override { return true; }
    };

    CommandLineHost(const CommandIo& io, bool quiet);

    // Everything but the database inputs and the object factory.
    exporter::ExportHost engineHost();
    // Clears the progress bar's line.
    void finishProgress();

    Options options;
    Tables tables;

private:
    void setValue(double value) override;
    void setText(const QString& text) override;
    void processEvents() override;
    bool stopRequested() const override;
    void restoreDefault() override {}
    void showMessage(const QString& text) override;
    void showApplicationError(const report::ApplicationError& error) override;

    void drawBar();
    void clearBar();

    const CommandIo& m_io;
    bool m_quiet;
    bool m_drawn = false;
    double m_value = 0.0;
    QString m_text;
};

} // namespace quorvane::cli
