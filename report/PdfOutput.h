#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <vector>

// The end of the PDF writer's chain of stages: a sink takes the document's
// bytes in order and is finished once. A stage in front of a sink passes the
// bytes on and adds what it knows about them.
namespace pdfoutput {

class Sink
{
public:
    virtual ~Sink() = default;
    virtual void write(const char* data, qsizetype size) = 0;
    // After the last write.
    virtual void finish() = 0;

    void write(const QByteArray& data) { write(data.constData(), data.size()); }
    // `text` and CR LF.
    void line(const QByteArray& text);
};

// A file that is replaced, or made, only once finish() has written it all: a
// sink dropped before that leaves no file and does not touch an existing one.
// The bytes reach the file in pieces of about a megabyte.
// Throws Error "Cannot create file ..." when the file cannot be made, written
// or saved.
class FileSink : public Sink
{
public:
    explicit FileSink(const QString& fileName);
    void write(const char* data, qsizetype size) override;
    void finish() override;

private:
    void flush();
    [[noreturn]] void fail() const;

    QString m_fileName;
    QSaveFile m_file;
    QByteArray m_buffer;
};

// Keeps the bytes in memory; its room at least doubles as it grows.
class MemorySink : public Sink
{
public:
    void write(const char* data, qsizetype size) override;
    void finish() override { }
    using Sink::write;

    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Counts the bytes passed to the next stage and notes the offset at which
// each object begins: the cross-reference table comes from these offsets.
class CountingSink : public Sink
{
public:
    explicit CountingSink(Sink& next)
        : m_next(next)
    {
    }

    void write(const char* data, qsizetype size) override
    {
        m_count += size;
        m_next.write(data, size);
    }
    void finish() override { m_next.finish(); }
    using Sink::write;

    // The next byte written starts object `number`.
    void beginObject(int number);

    // Passes on `bytes`, which `block` counted from their start, and its
    // objects with them.
    void writeBlock(const CountingSink& block, const QByteArray& bytes);

    // Writes "xref", the subsection of objects 0 to the highest begun (each
    // entry exactly 20 bytes) and returns where "xref" starts.
    qint64 writeCrossReference();

private:
    Sink& m_next;
    qint64 m_count = 0;
    std::vector<qint64> m_offsets{0};  // by object number, -1 for none; object 0 heads the free list
};

}  // namespace pdfoutput
