#pragma once

// The export engine's host on a command line: fixed options from the arguments, the
// tables named there (all ticked), a progress bar on stderr when it is a terminal,
// messages on stderr, and each failure as one line on stderr:
//
//   quorvane-export: Orders: cannot create 'out/Orders.txt': Is a directory

#include "ExportCommand.h"

#include "export/ExportHost.h"

#include <QSet>
#include <QStringList>

#include <functional>

namespace quorvane::cli {

inline const QString kProgramName = QStringLiteral("quorvane-export");

// `text` safe to print on a terminal: control characters (C0, DEL, C1) written as \xHH,
// so that a hostile table name cannot send escape sequences or break a line.
QString terminalText(const QString& text);

// A failure as the command line says it, without the program's name.
QString failureText(const exporter::ExportFailure& failure);

class CommandLineHost : private exporter::ProgressSink,
                        private exporter::EventPump,
                        private exporter::MousePointer,
                        private exporter::UserMessages,
                        private exporter::ExportFailures {
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
    // True when salvaging noted lost rows: the run then ends without "Done." either,
    // since the losses are said after it.
    std::function<bool()> rowsLost;

private:
    void setValue(double value) override;
    void setText(const QString& text) override;
    void processEvents() override;
    bool stopRequested() const override;
    void restoreDefault() override {}
    void showMessage(const QString& text) override;
    void exportFailed(const exporter::ExportFailure& failure) override;

    void drawBar();
    void clearBar();

    const CommandIo& m_io;
    bool m_quiet;
    bool m_drawn = false;
    // Where a failure was already said: a table or a file fails once on the command line
    // (the window also reports the writes that follow a file that was never created).
    QSet<QString> m_failed;
    bool m_databaseFailed = false;
    bool m_anyFailure = false;
    double m_value = 0.0;
    QString m_text;
};

} // namespace quorvane::cli
