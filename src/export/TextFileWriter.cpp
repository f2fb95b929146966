#include "TextFileWriter.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif


namespace quorvane::exporter {

namespace {

constexpr qsizetype kBufferSize = 256 * 1024;
// Written text handed to the disk at a time while the file grows.
constexpr qint64 kWritebackBytes = qint64(4) << 20;

} // namespace

TextFileWriter::TextFileWriter() = default;

TextFileWriter::~TextFileWriter()
{
    cancel();
}

bool TextFileWriter::open(const QString& path)
{
    cancel();
    m_path = path;
    m_error.clear();
    m_used = 0;
    m_flushed = 0;
    m_writebackFrom = 0;
    // A folder in the file's place would only show when the finished file is put there.
    if (QFileInfo(path).isDir()) {
        m_error = qt_error_string(EISDIR);
        return false;
    }
    auto file = std::make_unique<QSaveFile>(path);
    // Our own buffer is enough; without Qt's, every write reaches the system and a
    // failure carries the system's text.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = file->errorString();
        return false;
    }
    m_file = std::move(file);
    m_device = m_file.get();
    if (m_buffer.size() != kBufferSize)
        m_buffer.resize(kBufferSize);
    return true;
}

bool TextFileWriter::open(QIODevice* device, const QString& name)
{
    cancel();
    m_path = name;
    m_error.clear();
    m_used = 0;
    m_flushed = 0;
    m_writebackFrom = 0;
    if (!device || !device->isWritable()) {
        m_error = QStringLiteral("not open for writing");
        return false;
    }
    m_device = device;
    if (m_buffer.size() != kBufferSize)
        m_buffer.resize(kBufferSize);
    return true;
}

void TextFileWriter::write(QStringView text)
{
    m_encoded.clear();
    m_encoder.append(m_encoded, text);
    writeBytes(m_encoded);
}

void TextFileWriter::writeBytes(std::string_view bytes)
{
    if (!m_device || hasError())
        return;
    while (!bytes.empty()) {
        if (m_used == kBufferSize && !flushBuffer())
            return;
        // A block as large as the buffer goes out as it stands, without a copy. Only
        // into a file of our own: what reached another device cannot be taken back, and
        // truncate() keeps that to the buffer's last part.
        if (m_used == 0 && m_file && bytes.size() >= static_cast<std::size_t>(kBufferSize)) {
            writeOut(bytes.data(), static_cast<qsizetype>(bytes.size()));
            return;
        }
        const auto take = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(kBufferSize - m_used));
        std::memcpy(m_buffer.data() + m_used, bytes.data(), take);
        m_used += static_cast<qsizetype>(take);
        bytes.remove_prefix(take);
    }
}

bool TextFileWriter::flushBuffer()
{
    if (!m_device || hasError())
        return false;
    if (m_used == 0)
        return true;
    if (!writeOut(m_buffer.constData(), m_used))
        return false;
    m_used = 0;
    return true;
}

bool TextFileWriter::writeOut(const char* bytes, qsizetype size)
{
    // A short write (the disk filling up) sets no error; the write of the rest does.
    for (qsizetype done = 0; done < size;) {
        const qint64 written = m_device->write(bytes + done, size - done);
        if (written <= 0) {
            m_error = m_device->errorString();
            if (m_error.isEmpty())
                m_error = qt_error_string(ENOSPC);
            return false;
        }
        done += static_cast<qsizetype>(written);
    }
    m_flushed += size;
    startWriteback();
    return true;
}

// The file is flushed to disk before it replaces the old one (commit()). Starting the
// disk's work on what is written as the file grows, rather than all of it then, lets
// it run beside the export instead of after it. Only a hint: nothing waits for it.
void TextFileWriter::startWriteback()
{
#ifdef Q_OS_LINUX
    if (!m_file || m_flushed - m_writebackFrom < kWritebackBytes)
        return;
    const int fd = m_file->handle();
    if (fd >= 0)
        ::sync_file_range(fd, m_writebackFrom, m_flushed - m_writebackFrom, SYNC_FILE_RANGE_WRITE);
    m_writebackFrom = m_flushed;
#endif
}

qint64 TextFileWriter::position() const
{
    return m_flushed + m_used;
}

bool TextFileWriter::truncate(qint64 position)
{
    if (!m_device || hasError() || position > this->position() || position < 0)
        return false;
    if (position >= m_flushed) {
        m_used = static_cast<qsizetype>(position - m_flushed);
        return true;
    }
    if (!m_file)
        return false; // already gone out of the device
    m_used = 0;
    if (!m_file->resize(position) || !m_file->seek(position)) {
        m_error = m_file->errorString();
        return false;
    }
    m_flushed = position;
    m_writebackFrom = std::min(m_writebackFrom, position);
    return true;
}

bool TextFileWriter::commit()
{
    if (m_device && !m_file) {
        const bool ok = flushBuffer() && !hasError();
        m_device = nullptr;
        return ok;
    }
    if (!m_file) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Bad file name or number");
        return false;
    }
    const bool flushed = flushBuffer();
    bool ok = false;
    if (flushed && !hasError()) {
        ok = m_file->commit();
        if (!ok)
            m_error = m_file->errorString();
    } else {
        m_file->cancelWriting();
        m_file->commit(); // discards the temporary file
    }
    m_file.reset();
    m_device = nullptr;
    return ok;
}

void TextFileWriter::cancel()
{
    m_device = nullptr;
    if (!m_file) {
        m_used = 0;
        return;
    }
    m_file->cancelWriting();
    m_file->commit();
    m_file.reset();
    m_used = 0;
}

} // namespace quorvane::exporter
