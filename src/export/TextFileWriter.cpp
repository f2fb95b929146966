#include "TextFileWriter.h"


namespace quorvane::exporter {

namespace {

constexpr qsizetype kBufferSize = 256 * 1024;

bool isSurrogate(char16_t c)
{
    return (c & 0xF800) == 0xD800;
}

// True when every surrogate in `text` is half of a proper pair.
bool surrogatesPaired(QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (!isSurrogate(c))
            continue;
        if (c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

// A lone surrogate cannot be encoded; the code page's "?" stands in for it, as for any
// other character the code page lacks.
QString replaceLoneSurrogates(QStringView text)
{
    QString out = text.toString();
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isSurrogate(p[i]))
            continue;
        if (p[i] < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        p[i] = u'?';
    }
    return out;
}

} // namespace

TextFileWriter::TextFileWriter() : m_encoder(QStringConverter::System, QStringConverter::Flag::Stateless) {}

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
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        m_error = file->errorString();
        return false;
    }
    m_file = std::move(file);
    if (m_buffer.size() != kBufferSize)
        m_buffer.resize(kBufferSize);
    return true;
}

void TextFileWriter::write(QStringView text)
{
    if (!m_file || hasError())
        return;
    QString replaced;
    if (!surrogatesPaired(text)) {
        replaced = replaceLoneSurrogates(text);
        text = replaced;
    }
    while (!text.isEmpty()) {
        // Encode in slices that fit the buffer; never split a surrogate pair.
        qsizetype room = (kBufferSize - m_used) / 4;
        if (room < 2) {
            if (!flushBuffer())
                return;
            continue;
        }
        qsizetype take = std::min(text.size(), room);
        if (take < text.size() && take > 0 && QChar::isHighSurrogate(text[take - 1].unicode()))
            --take;
        char* end = m_encoder.appendToBuffer(m_buffer.data() + m_used, text.first(take));
        m_used = end - m_buffer.data();
        text = text.sliced(take);
        if (m_used > kBufferSize - kBufferSize / 8 && !flushBuffer())
            return;
    }
}

bool TextFileWriter::flushBuffer()
{
    if (!m_file || hasError())
        return false;
    if (m_used == 0)
        return true;
    const qint64 written = m_file->write(m_buffer.constData(), m_used);
    if (written != m_used) {
        m_error = m_file->errorString();
        if (m_error.isEmpty())
            m_error = QStringLiteral("Disk full");
        return false;
    }
    m_flushed += m_used;
    m_used = 0;
    return true;
}

qint64 TextFileWriter::position() const
{
    return m_flushed + m_used;
}

bool TextFileWriter::truncate(qint64 position)
{
    if (!m_file || hasError() || position > this->position() || position < 0)
        return false;
    if (position >= m_flushed) {
        m_used = static_cast<qsizetype>(position - m_flushed);
        return true;
    }
    m_used = 0;
    if (!m_file->resize(position) || !m_file->seek(position)) {
        m_error = m_file->errorString();
        return false;
    }
    m_flushed = position;
    return true;
}

bool TextFileWriter::commit()
{
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
    return ok;
}

void TextFileWriter::cancel()
{
    if (!m_file)
        return;
    m_file->cancelWriting();
    m_file->commit();
    m_file.reset();
    m_used = 0;
}

} // namespace quorvane::exporter
