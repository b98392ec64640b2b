#include "report/PdfOutput.h"

#include "core/Error.h"
#include "report/PdfNumbers.h"

#include <algorithm>

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
    , m_file(fileName)
{
    if (!m_file.open(QIODevice::WriteOnly))
        fail();
}

void FileSink::write(const char* data, qsizetype size)
{
    if (size >= pieceSize) {
        flush();
        if (m_file.write(data, size) != size)
            fail();
        return;
    }
    if (m_buffer.capacity() == 0)
        m_buffer.reserve(pieceSize);
    m_buffer.append(data, size);
    if (m_buffer.size() >= pieceSize)
        flush();
}

void FileSink::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (m_file.write(m_buffer) != m_buffer.size())
        fail();
    m_buffer.resize(0);
}

void FileSink::finish()
{
    flush();
    if (!m_file.commit())
        fail();
}

void FileSink::fail() const
{
    throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(m_fileName, m_file.errorString()));
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
