#pragma once

// One output file, written as it is produced: text encoded in the system's code page
// (UTF-8 on Linux, no byte-order mark) into a temporary file beside the target, which
// replaces the target only on commit(). Until then, and after cancel() or a failed
// write, an existing file of that name stays as it was.

#include "TextEncoder.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <memory>
#include <string>
#include <string_view>

namespace quorvane::exporter {

class TextFileWriter {
public:
    TextFileWriter();
    ~TextFileWriter(); // cancels an uncommitted file

    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Starts the file; false with errorString() when it cannot be created.
    bool open(const QString& path);
    // Writes into a device that is already open (standard output) rather than a file.
    // Nothing written there can be taken back: truncate() only drops what is still in
    // the buffer, cancel() stops writing, commit() writes out the rest.
    bool open(QIODevice* device, const QString& name);
    bool isOpen() const { return m_device != nullptr; }
    const QString& path() const { return m_path; }

    // Appends text. A character the code page lacks becomes "?". Failures are kept and
    // show in hasError() / commit().
    void write(QStringView text);
    // Appends bytes already in the code page.
    void writeBytes(std::string_view bytes);
    void writeLineEnd() { writeBytes("\r\n"); }

    // Bytes written so far, and going back to such a point (drops a part that failed).
    qint64 position() const;
    bool truncate(qint64 position);

    bool hasError() const { return !m_error.isEmpty(); }
    const QString& errorString() const { return m_error; }

    // Writes out the rest and puts the file in place; false with errorString() otherwise,
    // the old file untouched. The writer is closed afterwards either way.
    bool commit();
    void cancel();

private:
    bool flushBuffer();
    bool writeOut(const char* bytes, qsizetype size);
    void startWriteback();

    std::unique_ptr<QSaveFile> m_file;
    QIODevice* m_device = nullptr; // m_file, or the device given
    QString m_path;
    TextEncoder m_encoder;
    std::string m_encoded;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    qint64 m_flushed = 0;
    qint64 m_writebackFrom = 0;
    QString m_error;
};

} // namespace quorvane::exporter
