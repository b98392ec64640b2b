#include "report/PdfOutput.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "report/PdfNumbers.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pdfoutput {

using namespace pdfnumbers;

namespace {

constexpr qsizetype pieceSize = qsizetype(1) << 20;

}  // namespace

void Sink::line(const QByteArray& text)
{
    write(text);
    write("\r\n", 2);
}

FileSink::FileSink(const QString& fileName)
    : m_fileName(fileName)
    , m_target(filenames::realFilePath(fileName))
{
    // A folder in the file's place would refuse only the rename, after the
    // whole document was written.
    if (QFileInfo(m_target).isDir())
        fail(EISDIR);
    const QFileInfo target(m_target);
    for (int attempt = 0; m_descriptor < 0; ++attempt) {
        m_temporary = target.absolutePath() + QLatin1Char('/') + filenames::temporaryName(target.fileName());
        m_descriptor =
            ::open(QFile::encodeName(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_descriptor < 0 && (errno != EEXIST || attempt == 100)) {
            m_temporary.clear();
            fail(errno);
        }
    }
}

FileSink::~FileSink()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(m_temporary).constData());
}

void FileSink::write(const char* data, qsizetype size)
{
    if (size >= pieceSize) {
        flush();
        writeAll(data, size);
        return;
    }
    if (m_buffer.capacity() == 0)
        m_buffer.reserve(pieceSize);
    m_buffer.append(data, size);
    if (m_buffer.size() >= pieceSize)
        flush();
}

void FileSink::writeAll(const char* data, qsizetype size)
{
    if (m_descriptor < 0)
        fail(EBADF);
    qsizetype written = 0;
    while (written < size) {
        const ssize_t count = ::write(m_descriptor, data + written, size_t(size - written));
        if (count < 0 && errno == EINTR)
            continue;
        // A short write is followed by another, whose refusal tells the reason.
        if (count <= 0)
            fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
}

void FileSink::flush()
{
    if (m_buffer.isEmpty())
        return;
    writeAll(m_buffer.constData(), m_buffer.size());
    m_buffer.resize(0);
}

void FileSink::finish()
{
    flush();
    if (m_descriptor < 0)
        fail(EBADF);
    if (::fsync(m_descriptor) != 0)
        fail(errno);
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    if (::close(descriptor) != 0)
        fail(errno);
    if (::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(errno);
    m_temporary.clear();
    // The new name on disk too.
    const int folder =
        ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void FileSink::fail(int error)
{
    // What was written so far goes; the target stays as it was.
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(m_temporary).constData());
    m_temporary.clear();
    throw Error(
        QStringLiteral("Cannot create file \"%1\". %2").arg(m_fileName, QString::fromLocal8Bit(std::strerror(error))));
}

void MemorySink::write(const char* data, qsizetype size)
{
    endAppend(m_bytes, put(beginAppend(m_bytes, size), data, size));
}

void CountingSink::beginObject(int number)
{
    if (m_offsets.size() <= size_t(number))
        m_offsets.resize(size_t(number) + 1, -1);
    m_offsets[size_t(number)] = m_count;
}

void CountingSink::writeBlock(const CountingSink& block, const QByteArray& bytes)
{
    for (size_t number = 1; number < block.m_offsets.size(); ++number) {
        if (block.m_offsets[number] >= 0) {
            beginObject(int(number));
            m_offsets[number] += block.m_offsets[number];
        }
    }
    write(bytes);
}

qint64 CountingSink::writeCrossReference()
{
    const qint64 start = m_count;
    const qsizetype entries = qsizetype(m_offsets.size());
    line("xref");
    line("0 " + QByteArray::number(entries));
    QByteArray table;
    char* out = beginAppend(table, 20 * entries);
    out = put(out, "0000000000 65535 f\r\n");
    for (qsizetype number = 1; number < entries; ++number) {
        char digits[24];
        const qint64 offset = std::max<qint64>(0, m_offsets[size_t(number)]);
        const qsizetype size = std::to_chars(digits, digits + sizeof digits, offset).ptr - digits;
        for (qsizetype i = size; i < 10; ++i)
            *out++ = '0';
        out = put(out, digits, size);
        out = put(out, " 00000 n\r\n");
    }
    endAppend(table, out);
    write(table);
    return start;
}

}  // namespace pdfoutput
