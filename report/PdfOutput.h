#pragma once

#include <QByteArray>
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
// The bytes go to a temporary file beside the target (named as
// filenames::temporaryName() makes it), synced and renamed into place; a
// target that is a symbolic link is written through: the file it points to
// is replaced in its own folder and the link stays. The bytes reach the file
// in pieces of about a megabyte.
// Throws Error "Cannot create file ..." with the system's reason when the
// file cannot be made, written or saved.
class FileSink : public Sink
{
public:
    explicit FileSink(const QString& fileName);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    void write(const char* data, qsizetype size) override;
    void finish() override;

private:
    void flush();
    void writeAll(const char* data, qsizetype size);
    [[noreturn]] void fail(int error);

    QString m_fileName;
    QString m_target;     // the file that is replaced: m_fileName, or what its link points to
    QString m_temporary;  // while it is being written
    int m_descriptor = -1;
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
