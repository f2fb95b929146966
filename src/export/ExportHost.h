#pragma once

// What the export engine needs from whoever runs it, as narrow interfaces. The export
// window implements them over its controls; the command line over its arguments and
// stderr; tests with fakes. The engine includes no window type.

#include "OutputStyle.h"

#include <QString>

class QIODevice;

namespace quorvane::db {
class ConnectionInputs;
class ObjectFactory;
} // namespace quorvane::db

namespace quorvane::report {
class ErrorReporter;
}

namespace quorvane::exporter {

// The export options, read at the moment the engine needs them (the window: its
// controls, never a copy). The engine calls these only at the start of a run and again
// after each EventPump::processEvents() call, since nothing else can change a control
// on the one user-interface thread; an implementation that changes its answers on its
// own between those points is seen at the next one.
class ExportOptions {
public:
    virtual ~ExportOptions() = default;
    // The output folder (Text1). A trailing separator is optional.
    virtual QString outputFolder() const = 0;
    // The field separator (Text2): any text, empty included.
    virtual QString separator() const = 0;
    // "First line in text file will contain field names" (Check6).
    virtual bool headerLine() const = 0;
    // "Add quotes around each entry" (Check1).
    virtual bool quotes() const = 0;
    // Save mode: one file per table (Option1) / all ticked tables into "output.txt"
    // (Option2). The window's option buttons make them exclusive; the engine copes with
    // both false (lines are read, nothing is written) and both true (per table wins).
    virtual bool oneFilePerTable() const = 0;
    virtual bool oneFileForAll() const = 0;
    // What the window has no controls for (the command line's options); read when a run
    // and each table start. The default is the window's format.
    virtual OutputStyle outputStyle() const { return {}; }
    // With one file for all: a device that takes the text instead of "output.txt"
    // (standard output). Null: the file.
    virtual QIODevice* outputDevice() const { return nullptr; }
};

// The table list (ListView1): row texts and check marks, indexed from 0. Read as the
// run goes; the engine stops the walk when rows disappear under it.
class TableList {
public:
    virtual ~TableList() = default;
    virtual int count() const = 0;
    virtual QString name(int index) const = 0;
    virtual bool isTicked(int index) const = 0;
};

// The progress bar (ProgressBar1): a value from 0 to 100 and a text shown on it.
// During the record walk the engine delivers the latest value and text just before it
// runs the event loop (that is when the bar can repaint) and at each table's end, not
// for every record; with a yield interval of 0 every value is delivered.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setValue(double value) = 0;
    virtual void setText(const QString& text) = 0;
};

// Runs pending window events (the window: QCoreApplication::processEvents()). The
// engine calls it at the yields, at most once per yield interval (15 ms by default).
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
    // Asked right after each processEvents(): true when the program is ending (a window
    // was closed while the events ran). The engine then stops where it is: nothing more
    // is written, no file is put in place, nothing is shown or reported.
    virtual bool stopRequested() const { return false; }
};

// The window's mouse pointer, set back to the default when a run ends.
class MousePointer {
public:
    virtual ~MousePointer() = default;
    virtual void restoreDefault() = 0;
};

// Plain messages: OK button only, no icon, the application's title; returns when
// dismissed. "Folder does not exist. Please select another folder.", "Done." and
// "File created at <path>".
class UserMessages {
public:
    virtual ~UserMessages() = default;
    virtual void showMessage(const QString& text) = 0;
};

// Everything together. Every pointer must be set and outlive the engine.
struct ExportHost {
    ExportOptions* options = nullptr;
    TableList* tables = nullptr;
    ProgressSink* progress = nullptr;
    EventPump* events = nullptr;
    MousePointer* pointer = nullptr;
    UserMessages* messages = nullptr;
    report::ErrorReporter* errors = nullptr;
    // The database path and password (the main window's Text1 and Text2).
    const db::ConnectionInputs* database = nullptr;
    // Where connections and record sets come from: the program passes
    // &db::objectFactory(), tests a fake.
    db::ObjectFactory* factory = nullptr;
};

} // namespace quorvane::exporter
