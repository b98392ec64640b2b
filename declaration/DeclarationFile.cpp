#include "declaration/DeclarationFile.h"

#include "core/Codepage.h"
#include "core/Error.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace declarationfile {

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QByteArray();
    return hash.result();
}

QByteArray encode(const QStringList& records)
{
    const Codepage& page = Codepage::declarationFiles();
    QByteArray out;
    out.reserve(records.size() * 198);
    for (const QString& record : records) {
        out += page.encode(record);
        out += "\r\n";
    }
    return out;
}

LineReader::LineReader(const QString& path, qsizetype keep)
    : m_path(path)
    , m_file(path)
    , m_keep(keep)
{
}

void LineReader::open()
{
    const QFileInfo info(m_path);
    if (info.isDir())
        throw Error(QStringLiteral("No se puede abrir el archivo \"%1\": es una carpeta").arg(m_path));
    // A named pipe would block the open until someone writes to it, a device
    // such as /dev/zero would be read for ever: only plain files are read.
    if (info.exists() && !info.isFile())
        throw Error(QStringLiteral("No se puede abrir el archivo \"%1\": no es un archivo de texto común").arg(m_path));
    if (!m_file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("No se puede abrir el archivo \"%1\": %2").arg(m_path, m_file.errorString()));
}

bool LineReader::fill()
{
    if (m_atEnd)
        return false;
    if (m_position > 0) {
        m_buffer.remove(0, m_position);
        m_position = 0;
    }
    const qsizetype chunk = 1 << 16;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + chunk);
    const qint64 got = m_file.read(m_buffer.data() + old, chunk);
    if (got < 0)
        throw Error(QStringLiteral("Error de lectura en el archivo \"%1\": %2").arg(m_path, m_file.errorString()));
    m_buffer.resize(old + got);
    if (got == 0)
        m_atEnd = true;
    return got > 0;
}

bool LineReader::next(QString& line)
{
    QByteArray bytes;
    bool sawAny = false;
    for (;;) {
        if (m_position >= m_buffer.size() && !fill())
            break;
        const char c = m_buffer.at(m_position);
        if (c == '\n') {
            ++m_position;
            sawAny = true;
            break;
        }
        if (c == '\r') {
            // Look at the byte after the carriage return; it may be in the next chunk.
            if (m_position + 1 >= m_buffer.size())
                fill();
            const bool more = m_position + 1 < m_buffer.size();
            const char after = more ? m_buffer.at(m_position + 1) : '\n';
            if (after != '\r' && after != '\n') {
                ++m_position;
                sawAny = true;
                break;
            }
            ++m_position;
            sawAny = true;
            continue; // dropped: it stands before the line end
        }
        if (bytes.size() < m_keep)
            bytes.append(c);
        ++m_position;
        sawAny = true;
    }
    if (!sawAny)
        return false;
    ++m_lineNumber;
    line = Codepage::declarationFiles().decode(bytes);
    return true;
}

} // namespace declarationfile
