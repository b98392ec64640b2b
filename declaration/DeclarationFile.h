#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Declaration and import files: text in Windows-1252, one byte per character.
namespace declarationfile {

// The file's bytes: every record (which ends with its own carriage return)
// followed by CR LF, the last one included. No records give no bytes.
QByteArray encode(const QStringList& records);

// SHA-256 of a file's bytes; empty when the file cannot be read.
QByteArray digest(const QString& path);

// Reads a text file line by line without holding more than one line. A line
// ends at LF, or at a lone CR followed by anything but CR or LF (files with
// CR-only line ends); carriage returns before the line end are dropped. Only
// the first `keep` characters of a line are kept, since readers look at
// positions 1 to 195 only; the rest of a longer line is read and discarded.
class LineReader
{
public:
    explicit LineReader(const QString& path, qsizetype keep = 4096);

    // Throws Error when the file cannot be opened (a directory, no permission,
    // vanished).
    void open();
    // The next line, or false at the end of the file. Throws Error on a read error.
    bool next(QString& line);
    // 1-based number of the line last returned.
    qint64 lineNumber() const { return m_lineNumber; }

private:
    bool fill();

    QString m_path;
    QFile m_file;
    qsizetype m_keep;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    bool m_atEnd = false;
    qint64 m_lineNumber = 0;
};

} // namespace declarationfile
