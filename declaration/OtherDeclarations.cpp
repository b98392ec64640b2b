#include "declaration/OtherDeclarations.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/DeclarationFile.h"
#include "declaration/Record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace otherdeclarations {

namespace {

// Month 1 to 12 from a month code "1".."9", "A", "B", "C" (either case).
int monthOfCode(QChar code)
{
    if (code >= QLatin1Char('1') && code <= QLatin1Char('9'))
        return code.unicode() - '0';
    switch (code.toUpper().unicode()) {
    case 'A':
        return 10;
    case 'B':
        return 11;
    case 'C':
        return 12;
    default:
        return 0;
    }
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// YY + month code of the period being declared, upper case; nothing when the
// header texts give no file name.
std::optional<QString> periodPrefix(const QString& monthText, const QString& yearText)
{
    try {
        const QString year = record::yearTwoDigits(yearText);
        const QString code = record::monthCode(monthText);
        if (year.size() != 2 || code.isEmpty())
            return std::nullopt;
        return year + code;
    } catch (const Error&) {
        return std::nullopt;
    }
}

// The receipt-number and CUIT positions of a record line, read as the
// declaration reader reads them. Lines whose first 51 characters are plain
// UTF-16 units (every file CONFIRMA writes) are cut directly.
void keyFields(const QString& line, QString& cuit, QString& receipt)
{
    const qsizetype size = qMin<qsizetype>(line.size(), 51);
    for (qsizetype i = 0; i < size; ++i) {
        if (line.at(i).isSurrogate()) {
            const record::RecordView view = record::readRecord(line);
            cuit = view.supplierCuit;
            receipt = view.receiptNumber;
            return;
        }
    }
    cuit = line.mid(0, 13);
    receipt = line.mid(38, 13);
}

using Wanted = std::unordered_map<std::string, QString>;

// Reads the file as the declaration readers do (declarationfile::LineReader)
// and keeps the wanted keys that stand in it.
void scanWithReader(const QString& path, const Wanted& wanted, std::unordered_set<std::string>& inFile)
{
    // Only the first 51 characters of a line are looked at.
    declarationfile::LineReader reader(path, 64);
    reader.open();
    QString line;
    QString cuit;
    QString receipt;
    while (reader.next(line)) {
        keyFields(line, cuit, receipt);
        if (text::trimmed(receipt).isEmpty())
            continue;
        std::string key = receiptKey(cuit, receipt).toStdString();
        if (wanted.count(key))
            inFile.insert(std::move(key));
    }
}

bool blank(char c)
{
    return uchar(c) <= 32;
}

// The bytes without blanks and control characters at either end.
std::string_view trimmedBytes(std::string_view bytes)
{
    while (!bytes.empty() && blank(bytes.front()))
        bytes.remove_prefix(1);
    while (!bytes.empty() && blank(bytes.back()))
        bytes.remove_suffix(1);
    return bytes;
}

// The field of `line` at 0-based `offset`, `width` bytes; past the end empty.
std::string_view fieldBytes(std::string_view line, size_t offset, size_t width)
{
    if (offset >= line.size())
        return {};
    return line.substr(offset, width);
}

// The quick reading of a declaration file as CONFIRMA writes it: lines ended
// by LF (carriage returns before it dropped) whose first 51 bytes are ASCII,
// where byte positions are character positions in every encoding the
// readers accept. Returns false, having kept nothing certain, at the first
// thing that needs the full reader: a UTF-16 mark, a byte outside ASCII in
// the first 51 of a line, a carriage return inside a line (files with CR
// line ends), a line longer than a chunk. Throws Error when the file cannot
// be opened or read.
bool scanPlainFile(const QString& path, const Wanted& wanted, std::unordered_set<std::string>& inFile)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;  // the reader names what it is
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("No se puede abrir el archivo \"%1\": %2").arg(path, file.errorString()));
    constexpr qint64 ChunkSize = qint64(1) << 20;
    std::string buffer;
    std::string key;
    bool first = true;
    bool atEnd = false;
    while (!atEnd) {
        const size_t kept = buffer.size();
        buffer.resize(kept + size_t(ChunkSize));
        const qint64 read = file.read(buffer.data() + kept, ChunkSize);
        if (read < 0)
            throw Error(QStringLiteral("Error de lectura en el archivo \"%1\": %2").arg(path, file.errorString()));
        buffer.resize(kept + size_t(read));
        atEnd = read == 0;
        std::string_view rest(buffer);
        if (first && rest.size() >= 3) {
            first = false;
            if (rest.substr(0, 2) == "\xFF\xFE" || rest.substr(0, 2) == "\xFE\xFF")
                return false;
            if (rest.substr(0, 3) == "\xEF\xBB\xBF")
                rest.remove_prefix(3);
        } else if (first && atEnd) {
            first = false;
        } else if (first) {
            continue;  // fewer than three bytes so far: the mark is not known yet
        }
        for (;;) {
            size_t end = rest.find('\n');
            if (end == std::string_view::npos) {
                if (!atEnd)
                    break;
                if (rest.empty())
                    break;
                end = rest.size();
            }
            std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end < rest.size() ? end + 1 : end);
            while (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (line.find('\r') != std::string_view::npos)
                return false;
            const size_t looked = std::min<size_t>(line.size(), 51);
            for (size_t i = 0; i < looked; ++i) {
                if (uchar(line[i]) >= 0x80)
                    return false;
            }
            const std::string_view receipt = trimmedBytes(fieldBytes(line, 38, 13));
            if (receipt.empty())
                continue;
            key.assign(trimmedBytes(fieldBytes(line, 0, 13)));
            key += '\n';
            if (receipt.size() < 13)
                key.append(13 - receipt.size(), '0');
            key += receipt;
            if (wanted.count(key))
                inFile.insert(key);
        }
        if (!atEnd && rest.size() >= size_t(ChunkSize))
            return false;  // one line longer than a chunk
        buffer.erase(0, buffer.size() - rest.size());
    }
    return true;
}
}  // namespace

std::vector<DeclarationFile> filesOf(
    const QString& folder, const QString& legajoText, const QString& monthText, const QString& yearText)
{
    std::vector<DeclarationFile> files;
    const QString legajo = record::legajoFive(legajoText);
    const std::optional<QString> own = periodPrefix(monthText, yearText);
    if (legajo.isEmpty() || !own || folder.isEmpty())
        return files;
    const QDir dir(folder);
    // Every kind of entry: one named like a declaration file that is no plain
    // file is still named to the user as not read.
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Dirs | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.size() != 12 || !name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
            continue;
        if (!isAsciiDigit(name.at(0)) || !isAsciiDigit(name.at(1)) || name.mid(3, 5) != legajo)
            continue;
        const int month = monthOfCode(name.at(2));
        if (month == 0)
            continue;
        if (name.left(3).compare(*own, Qt::CaseInsensitive) == 0)
            continue;
        DeclarationFile file;
        file.fileName = name;
        file.path = dir.filePath(name);
        file.year = 2000 + name.mid(0, 2).toInt();
        file.month = month;
        file.period = QStringLiteral("%1/%2").arg(month, 2, 10, QLatin1Char('0')).arg(file.year);
        files.push_back(std::move(file));
    }
    std::stable_sort(files.begin(), files.end(), [](const DeclarationFile& a, const DeclarationFile& b) {
        return a.year != b.year ? a.year < b.year : a.month < b.month;
    });
    return files;
}

QString receiptKey(const QString& cuit, const QString& receiptNumber)
{
    return text::trimmed(cuit) + QLatin1Char('\n') + record::receiptNumberField(receiptNumber);
}

Found search(const QString& folder, const QString& legajoText, const QString& monthText, const QString& yearText,
    const QSet<QString>& keys)
{
    Found found;
    if (keys.isEmpty())
        return found;
    // The keys as UTF-8 bytes, each leading back to its text.
    std::unordered_map<std::string, QString> wanted;
    wanted.reserve(size_t(keys.size()));
    for (const QString& key : keys)
        wanted.emplace(key.toStdString(), key);

    for (DeclarationFile& file : filesOf(folder, legajoText, monthText, yearText)) {
        // What this file holds is kept apart until it has been read to its
        // end: a file that fails half way adds nothing.
        std::unordered_set<std::string> inFile;
        try {
            if (!scanPlainFile(file.path, wanted, inFile)) {
                inFile.clear();
                scanWithReader(file.path, wanted, inFile);
            }
        } catch (const Error& error) {
            found.unreadable.push_back(std::move(file));
            found.unreadableErrors << error.message();
            continue;
        } catch (const std::exception& error) {
            found.unreadable.push_back(std::move(file));
            found.unreadableErrors << QString::fromLocal8Bit(error.what());
            continue;
        }
        const int index = int(found.files.size());
        found.files.push_back(std::move(file));
        for (const std::string& key : inFile)
            found.declaredIn[wanted.at(key)].push_back(index);
    }
    return found;
}

}  // namespace otherdeclarations
