#include "declaration/DeclarationFile.h"

#include "core/Codepage.h"
#include "core/Error.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstring>

namespace declarationfile {

namespace {

constexpr qsizetype ChunkSize = qsizetype(1) << 16;

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF. Fed
// piece by piece, so a sequence may be split between two pieces.
// Looks for a line that is one record in one byte per character: exactly
// the record's 195 bytes before its line end, some of them outside ASCII. In
// UTF-8 such a line would be shorter than a record, so a file holding one is
// a single-byte file whose bytes only happen to be valid UTF-8 as well
// ("Ã‘" in Windows-1252 reads as "Ñ" in UTF-8, and every field after it
// would move by one place).
class SingleByteRecordCheck
{
public:
    static constexpr qsizetype RecordBytes = 195;

    void feed(const char* data, qsizetype size)
    {
        for (qsizetype i = 0; i < size && !m_found; ++i) {
            const uchar byte = uchar(data[i]);
            if (byte == '\n' || byte == '\r') {
                endLine();
                continue;
            }
            ++m_length;
            m_high = m_high || byte >= 0x80;
        }
    }
    // After the last byte.
    bool found()
    {
        endLine();
        return m_found;
    }

private:
    void endLine()
    {
        m_found = m_found || (m_high && m_length == RecordBytes);
        m_length = 0;
        m_high = false;
    }

    qsizetype m_length = 0;
    bool m_high = false;
    bool m_found = false;
};

class Utf8Check
{
public:
    // False from the first byte that cannot be part of valid UTF-8 on.
    bool feed(const char* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            if (m_needed == 0) {
                // Runs of ASCII, eight bytes at a time.
                while (i + 8 <= size) {
                    quint64 word;
                    std::memcpy(&word, data + i, 8);
                    if (word & 0x8080808080808080ULL)
                        break;
                    i += 8;
                }
                if (i >= size)
                    break;
            }
            const uchar byte = uchar(data[i++]);
            if (m_needed > 0) {
                if (byte < m_low || byte > m_high)
                    return false;
                --m_needed;
                m_low = 0x80;
                m_high = 0xBF;
                continue;
            }
            if (byte < 0x80)
                continue;
            if (byte >= 0xC2 && byte <= 0xDF)
                expect(1, 0x80, 0xBF);
            else if (byte == 0xE0)
                expect(2, 0xA0, 0xBF);
            else if (byte == 0xED)
                expect(2, 0x80, 0x9F);
            else if (byte >= 0xE1 && byte <= 0xEF)
                expect(2, 0x80, 0xBF);
            else if (byte == 0xF0)
                expect(3, 0x90, 0xBF);
            else if (byte >= 0xF1 && byte <= 0xF3)
                expect(3, 0x80, 0xBF);
            else if (byte == 0xF4)
                expect(3, 0x80, 0x8F);
            else
                return false;
        }
        return true;
    }

    // No sequence is left open.
    bool complete() const { return m_needed == 0; }

private:
    void expect(int needed, uchar low, uchar high)
    {
        m_needed = needed;
        m_low = low;
        m_high = high;
    }

    int m_needed = 0;
    uchar m_low = 0x80;
    uchar m_high = 0xBF;
};

qsizetype asciiPrefix(const QByteArray& bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && uchar(bytes.at(i)) < 0x80)
        ++i;
    return i;
}

// How many bytes at the end of `bytes` may start a sequence that the next
// chunk completes: they wait for it.
qsizetype openSequenceLength(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const uchar byte = uchar(bytes.at(size - back));
        if ((byte & 0xC0) == 0x80)
            continue;  // a continuation byte: its lead stands further back
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

}  // namespace

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

QByteArray LineReader::readChunk()
{
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    const qint64 got = m_file.read(chunk.data(), ChunkSize);
    if (got < 0)
        throw Error(QStringLiteral("Error de lectura en el archivo \"%1\": %2").arg(m_path, m_file.errorString()));
    chunk.truncate(got);
    return chunk;
}

void LineReader::readMark(QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8;
        bytes.remove(0, 3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16LittleEndian;
        bytes.remove(0, 2);
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16BigEndian;
        bytes.remove(0, 2);
    }
}

void LineReader::decideWithoutMark(const QByteArray& bytes, qsizetype from)
{
    Utf8Check check;
    bool valid = check.feed(bytes.constData() + from, bytes.size() - from);
    if (valid) {
        // Look through the whole file from its start (the lines' lengths
        // count from there), then read on from here.
        const qint64 resumeAt = m_file.pos();
        if (!m_file.seek(0))
            throw Error(QStringLiteral("Error de lectura en el archivo \"%1\": %2").arg(m_path, m_file.errorString()));
        Utf8Check whole;
        SingleByteRecordCheck records;
        for (;;) {
            const QByteArray ahead = readChunk();
            if (ahead.isEmpty())
                break;
            records.feed(ahead.constData(), ahead.size());
            if (!whole.feed(ahead.constData(), ahead.size())) {
                valid = false;
                break;
            }
        }
        valid = valid && whole.complete() && !records.found();
        if (!m_file.seek(resumeAt))
            throw Error(QStringLiteral("Error de lectura en el archivo \"%1\": %2").arg(m_path, m_file.errorString()));
    }
    m_encoding = valid ? Encoding::Utf8 : Encoding::Windows1252;
}

void LineReader::decode(QByteArray& bytes, bool atEnd)
{
    qsizetype from = 0;
    if (!m_encoding) {
        // Until the first byte outside ASCII every encoding reads the same.
        from = asciiPrefix(bytes);
        m_text += QLatin1String(bytes.constData(), from);
        if (from == bytes.size())
            return;
        decideWithoutMark(bytes, from);
    }
    const char* data = bytes.constData() + from;
    const qsizetype size = bytes.size() - from;
    switch (*m_encoding) {
    case Encoding::Windows1252:
        m_text += Codepage::declarationFiles().decode(data, size);
        break;
    case Encoding::Utf8: {
        const qsizetype open = atEnd ? 0 : openSequenceLength(bytes);
        const qsizetype complete = qMax<qsizetype>(0, size - open);
        // Stateless: a sequence cut by the end of the file reads as U+FFFD;
        // a mark inside the file is the character U+FEFF.
        QStringDecoder decoder(
            QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        m_text += decoder.decode(QByteArrayView(data, complete));
        m_undecoded = QByteArray(data + complete, size - complete);
        break;
    }
    case Encoding::Utf16LittleEndian:
    case Encoding::Utf16BigEndian: {
        const bool big = *m_encoding == Encoding::Utf16BigEndian;
        const uchar* in = reinterpret_cast<const uchar*>(data);
        auto unitAt = [&](qsizetype i) {
            const uchar first = in[2 * i];
            const uchar second = in[2 * i + 1];
            return char16_t(big ? (first << 8 | second) : (second << 8 | first));
        };
        qsizetype units = size / 2;
        // A high surrogate at the end of the chunk waits for its low surrogate.
        if (!atEnd && units > 0 && QChar::isHighSurrogate(unitAt(units - 1)))
            --units;
        const qsizetype old = m_text.size();
        m_text.resize(old + units);
        QChar* out = m_text.data() + old;
        for (qsizetype i = 0; i < units; ++i) {
            const char16_t unit = unitAt(i);
            if (QChar::isHighSurrogate(unit) && i + 1 < units && QChar::isLowSurrogate(unitAt(i + 1))) {
                out[i] = QChar(unit);
                out[i + 1] = QChar(unitAt(i + 1));
                ++i;
            } else {
                // A lone surrogate is no character.
                out[i] = QChar::isSurrogate(unit) ? QChar(QChar::ReplacementCharacter) : QChar(unit);
            }
        }
        if (atEnd) {
            if (size % 2 != 0)
                m_text += QChar(QChar::ReplacementCharacter);
        } else {
            m_undecoded = QByteArray(data + 2 * units, size - 2 * units);
        }
        break;
    }
    }
}

bool LineReader::fill()
{
    if (m_atEnd)
        return false;
    if (m_position > 0) {
        m_text.remove(0, m_position);
        m_position = 0;
    }
    const qsizetype before = m_text.size();
    QByteArray bytes = readChunk();
    const bool atEnd = bytes.isEmpty();
    if (!m_undecoded.isEmpty()) {
        bytes.prepend(m_undecoded);
        m_undecoded.clear();
    }
    if (!m_markRead) {
        // The mark is at most three bytes; a file may come in smaller pieces.
        if (bytes.size() < 3 && !atEnd) {
            m_undecoded = bytes;
            return true;
        }
        readMark(bytes);
        m_markRead = true;
    }
    decode(bytes, atEnd);
    m_atEnd = atEnd;
    return !atEnd || m_text.size() > before;
}

bool LineReader::next(QString& line)
{
    line.resize(0);
    bool sawAny = false;
    for (;;) {
        if (m_position >= m_text.size() && !fill())
            break;
        const QChar* text = m_text.constData();
        const qsizetype size = m_text.size();
        qsizetype end = m_position;
        while (end < size && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        if (end > m_position) {
            sawAny = true;
            const qsizetype room = qMax<qsizetype>(0, m_keep - line.size());
            line.append(QStringView(text + m_position, qMin(room, end - m_position)));
            m_position = end;
        }
        if (end >= size)
            continue;  // the line goes on in the next chunk
        sawAny = true;
        if (text[end] == QLatin1Char('\n')) {
            ++m_position;
            break;
        }
        // A carriage return: the character after it decides, and it may be in
        // the next chunk (filling moves the text, so positions are re-read).
        while (m_position + 1 >= m_text.size() && fill()) { }
        const bool more = m_position + 1 < m_text.size();
        const QChar after = more ? m_text.at(m_position + 1) : QLatin1Char('\n');
        ++m_position;
        if (after != QLatin1Char('\r') && after != QLatin1Char('\n'))
            break;  // a lone CR ends the line
        // otherwise dropped: it stands before the line end
    }
    if (!sawAny)
        return false;
    ++m_lineNumber;
    return true;
}

}  // namespace declarationfile
