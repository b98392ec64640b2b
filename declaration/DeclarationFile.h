#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

// Declaration files are written in Windows-1252, one byte per character.
// Files read back (import files, re-loaded declaration files) are decoded in
// the encoding they are in, since accounting systems often export UTF-8.
namespace declarationfile {

// The file's bytes: every record (which ends with its own carriage return)
// followed by CR LF, the last one included. No records give no bytes.
QByteArray encode(const QStringList& records);

// SHA-256 of a file's bytes; empty when the file cannot be read.
QByteArray digest(const QString& path);

enum class Encoding { Windows1252, Utf8, Utf16LittleEndian, Utf16BigEndian };

// Reads a text file line by line in bounded memory: one chunk of the file and
// the line being cut from it.
//
// The encoding: a byte-order mark (UTF-8, UTF-16 little or big endian) tells
// it and is not part of the first line. A file without a mark is UTF-8 when
// the whole file is valid UTF-8, holds multi-byte sequences and no line of
// exactly a record's 195 bytes with bytes outside ASCII (which in UTF-8
// would be shorter than a record: a single-byte file whose bytes happen to
// be valid UTF-8), and Windows-1252 otherwise. The reader decides at the first byte outside ASCII,
// looking ahead through the rest of the file (then reading on from where it
// was), so a file that turns invalid late is read as Windows-1252 from its
// start; the lines before that byte are ASCII and read the same either way.
// Bytes that are no character of a UTF encoding (a lone surrogate of UTF-16
// too) read as U+FFFD.
//
// Lines are cut from the decoded text. A line ends at LF, or at a lone CR
// followed by anything but CR or LF (files with CR-only line ends); carriage
// returns before the line end are dropped. Only the first `keep` UTF-16 units
// of a line are kept, since readers look at positions 1 to 195 only; the rest
// of a longer line is read and discarded.
class LineReader
{
public:
    explicit LineReader(const QString& path, qsizetype keep = 4096);

    // Throws Error when the file cannot be opened (a directory, no permission,
    // vanished, no plain file).
    void open();
    // The next line, or false at the end of the file. Throws Error on a read error.
    bool next(QString& line);
    // 1-based number of the line last returned.
    qint64 lineNumber() const { return m_lineNumber; }
    // The encoding the file is read in; nothing while a file without a mark
    // has shown only ASCII bytes so far.
    std::optional<Encoding> encoding() const { return m_encoding; }

private:
    bool fill();
    QByteArray readChunk();
    void readMark(QByteArray& bytes);
    void decode(QByteArray& bytes, bool atEnd);
    void decideWithoutMark(const QByteArray& bytes, qsizetype from);

    QString m_path;
    QFile m_file;
    qsizetype m_keep;
    std::optional<Encoding> m_encoding;
    bool m_markRead = false;
    QByteArray m_undecoded;  // bytes held back: the start of the file, or a sequence cut by the chunk's end
    QString m_text;          // decoded, not yet cut into lines
    qsizetype m_position = 0;
    bool m_atEnd = false;
    qint64 m_lineNumber = 0;
};

}  // namespace declarationfile
