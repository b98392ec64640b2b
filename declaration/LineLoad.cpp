#include "declaration/LineLoad.h"

#include "declaration/ListedLines.h"

#include "core/Decimal.h"
#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/DeclarationFile.h"
#include "declaration/Record.h"
#include "declaration/Withholding.h"

#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace lineload {

namespace {

// The withholdings one load adds to the total, in exact hundredths.
class AddedTotal
{
public:
    void add(qint64 cents)
    {
        const std::optional<qint64> sum = decimal::exactSum(m_cents, cents);
        if (!sum)
            throw Error(QStringLiteral("El total de retenciones no se puede llevar: es demasiado grande"));
        m_cents = *sum;
    }
    qint64 cents() const { return m_cents; }

private:
    qint64 m_cents = 0;
};

// The fields a reader takes from a record line: 1-based character positions.
struct ReadField
{
    int from;
    int width;
    const char* name;  // UTF-8, for the user
};
constexpr ReadField ReadFields[] = {
    {1, 13, "CUIT"},
    {14, 8, "Fecha"},
    {28, 11, "Importe Retención"},
    {39, 13, "Nro. Comprobante"},
    {52, 60, "Razón Social"},
    {185, 11, "Importe Comprobante"},
};
constexpr int LastReadPosition = 195;

const ReadField* fieldAt(qsizetype position)
{
    for (const ReadField& field : ReadFields) {
        if (position >= field.from && position < field.from + field.width)
            return &field;
    }
    return nullptr;
}

// A character that an error box would not show as it is: control and format
// characters, line and paragraph separators, lone surrogates.
bool unshowable(char32_t character)
{
    switch (QChar::category(character)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString escaped(char32_t character)
{
    const QString digits = QString::number(uint(character), 16).toUpper();
    if (character < 0x100)
        return QStringLiteral("\\x") + digits.rightJustified(2, QLatin1Char('0'));
    if (character < 0x10000)
        return QStringLiteral("\\u") + digits.rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("\\U") + digits.rightJustified(8, QLatin1Char('0'));
}

// The text with every character an error box would not show written as
// \xNN, \uNNNN or \UNNNNNNNN.
QString visible(const QString& text)
{
    QString out;
    bool changed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text.at(i).unicode();
        qsizetype units = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            units = 2;
        }
        if (unshowable(character)) {
            if (!changed) {
                out = text.left(i);
                changed = true;
            }
            out += escaped(character);
        } else if (changed) {
            out += QStringView(text).mid(i, units);
        }
        i += units - 1;
    }
    return changed ? out : text;
}

// A control character in a field that is read: the whole file is refused.
// The message names line, position and field; the detail is the usual one.
Error controlCharacterError(char16_t character, qsizetype position, const ReadField& field, qint64 lineNumber)
{
    return Error(QStringLiteral("Carácter de control %1 en la línea %2, posición %3 (%4): no se carga ninguna línea "
                                "del archivo")
                     .arg(escaped(character))
                     .arg(lineNumber)
                     .arg(position)
                     .arg(QString::fromUtf8(field.name)));
}

void refuseControlCharacters(const QString& line, qint64 lineNumber)
{
    const QChar* text = line.constData();
    const qsizetype size = line.size();
    qsizetype i = 0;
    while (i < size && text[i].unicode() >= 32)
        ++i;
    if (i == size)
        return;
    // Count positions in characters up to the last field that is read.
    qsizetype position = 0;
    for (i = 0; i < size && position < LastReadPosition; ++i) {
        ++position;
        const char16_t unit = text[i].unicode();
        if (unit < 32) {
            if (const ReadField* field = fieldAt(position))
                throw controlCharacterError(unit, position, *field, lineNumber);
        } else if (text[i].isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
}

QString detailFor(const QString& path, qint64 lineNumber)
{
    QString detail = QStringLiteral("Archivo: %1").arg(visible(path));
    if (lineNumber > 0)
        detail += QStringLiteral("\nLínea: %1").arg(lineNumber);
    return detail;
}

template <typename E>
E shown(const E& error, const QString& detail)
{
    E out(visible(error.message()));
    out.setDetail(detail);
    return out;
}

qint32 advanced(qint32 row)
{
    if (row >= std::numeric_limits<qint32>::max() || row < 1)
        throw Error(QStringLiteral("No hay más renglones disponibles en la grilla"));
    return row + 1;
}

// Reads every line of `path` through `handleLine(text, lineNumber)` and adds
// the file and line number to any error that stops the reading.
template <typename Handler>
void readLines(const QString& path, Handler handleLine)
{
    declarationfile::LineReader reader(path);
    qint64 lineNumber = 0;
    try {
        reader.open();
        QString line;
        for (;;) {
            lineNumber = reader.lineNumber() + 1;  // the line being read, also for a read error
            if (!reader.next(line))
                break;
            refuseControlCharacters(line, lineNumber);
            handleLine(line, lineNumber);
        }
    } catch (const ConversionError& error) {
        throw shown(error, detailFor(path, lineNumber));
    } catch (const Error& error) {
        // A failure to open names the file only; there is no line yet.
        throw shown(error, detailFor(path, lineNumber));
    }
}

// Texts that repeat from line to line (dates, CUITs, names, amounts) share
// one copy. At most `Limit` texts are kept; past that, new texts are made
// apart, so a column of texts that never repeat costs no more than the limit.
class SharedTexts
{
public:
    QString get(QStringView text)
    {
        const auto found = m_texts.find(text);
        if (found != m_texts.end())
            return found->second;
        QString made = text.toString();
        if (m_texts.size() < Limit) {
            // The key looks at the kept copy's characters, which live as long as it.
            m_texts.emplace(QStringView(made), made);
        }
        return made;
    }

private:
    static constexpr size_t Limit = 4096;
    struct Hash
    {
        size_t operator()(QStringView text) const { return size_t(qHash(text)); }
    };
    std::unordered_map<QStringView, QString, Hash> m_texts;
};

// The texts of a line that a load packs, in the order they are packed; the
// line number is left to the row.
constexpr QString WithholdingLine::*PackedFields[] = {
    &WithholdingLine::receiptNumber,
    &WithholdingLine::date,
    &WithholdingLine::receiptAmount,
    &WithholdingLine::withholding,
    &WithholdingLine::supplierName,
    &WithholdingLine::supplierCuit,
};
constexpr size_t PackedFieldCount = std::size(PackedFields);

// The lines of one load until the whole file has been read. A line holds
// seven texts of its own, about 500 bytes; here its packed texts are put one
// after the other into blocks, one byte per character where the text is
// Latin-1 and two otherwise. The lines are made at the end, each block freed
// as soon as its lines are texts.
class PackedLines
{
public:
    void append(const WithholdingLine& line)
    {
        qsizetype bytes = 0;
        for (const auto field : PackedFields)
            bytes += packedSize(line.*field);
        if (m_blocks.empty() || m_blocks.back().size() + bytes > BlockSize) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(qMax(BlockSize, bytes));
        }
        QByteArray& block = m_blocks.back();
        for (const auto field : PackedFields)
            pack(block, line.*field);
        ++m_count;
    }

    qsizetype size() const { return m_count; }

    // Appends the lines to the declaration all at once with no event handled
    // in between, with `addedCents` for the total: the declaration's rows first
    // grow to take them all, so that no line is held twice (a vector of all
    // lines and the declaration's own), then it takes them in slices made
    // from the blocks, each block freed as soon as its lines are texts.
    // Empties this.
    void appendTo(Declaration& declaration, qint64 addedCents)
    {
        if (m_count == 0)
            return;
        std::array<SharedTexts, PackedFieldCount> shared;
        QString scratch;
        qint32 row = declaration.nextRow();
        size_t blockIndex = 0;
        const char* at = nullptr;
        const char* end = nullptr;
        declaration.appendLines(qint32(m_count), addedCents, [&] {
            std::vector<WithholdingLine> slice;
            while (slice.size() < SliceLines) {
                if (at == end) {
                    if (blockIndex > 0)
                        m_blocks[blockIndex - 1] = QByteArray();
                    if (blockIndex == m_blocks.size())
                        break;
                    at = m_blocks[blockIndex].constData();
                    end = at + m_blocks[blockIndex].size();
                    ++blockIndex;
                    continue;
                }
                if (slice.empty())
                    slice.reserve(SliceLines);
                WithholdingLine& line = slice.emplace_back();
                line.lineNumber = QString::number(row++);
                // The receipt number (the first packed text) seldom repeats; the others often do.
                line.*PackedFields[0] = unpackText(at);
                for (size_t field = 1; field < PackedFieldCount; ++field)
                    line.*PackedFields[field] = shared[field].get(unpackView(at, scratch));
            }
            return slice;
        });
        m_blocks.clear();
        m_count = 0;
    }

private:
    static constexpr qsizetype BlockSize = qsizetype(1) << 18;
    static constexpr size_t SliceLines = 4096;

    static bool isLatin1(const QString& text)
    {
        for (QChar c : text) {
            if (c.unicode() > 0xFF)
                return false;
        }
        return true;
    }

    // A header of the length in units times two, plus one for two-byte units,
    // seven bits to a byte; then the characters.
    static qsizetype headerSize(quint64 header)
    {
        qsizetype size = 1;
        while (header >= 0x80) {
            header >>= 7;
            ++size;
        }
        return size;
    }

    static qsizetype packedSize(const QString& text)
    {
        const bool wide = !isLatin1(text);
        return headerSize(quint64(text.size()) * 2 + 1) + text.size() * (wide ? 2 : 1);
    }

    static void pack(QByteArray& block, const QString& text)
    {
        const bool wide = !isLatin1(text);
        quint64 header = quint64(text.size()) * 2 + (wide ? 1 : 0);
        while (header >= 0x80) {
            block.append(char(0x80 | (header & 0x7F)));
            header >>= 7;
        }
        block.append(char(header));
        if (wide) {
            block.append(reinterpret_cast<const char*>(text.constData()), text.size() * 2);
        } else {
            for (QChar c : text)
                block.append(char(c.unicode()));
        }
    }

    static quint64 readHeader(const char*& at)
    {
        quint64 header = 0;
        int shift = 0;
        for (;;) {
            const uchar byte = uchar(*at++);
            header |= quint64(byte & 0x7F) << shift;
            if (byte < 0x80)
                return header;
            shift += 7;
        }
    }

    // The next text as a view, Latin-1 widened into `scratch`.
    static QStringView unpackView(const char*& at, QString& scratch)
    {
        const quint64 header = readHeader(at);
        const qsizetype length = qsizetype(header / 2);
        scratch.resize(length);
        QChar* out = scratch.data();
        if (header % 2 != 0) {
            std::memcpy(static_cast<void*>(out), at, size_t(length) * 2);
            at += length * 2;
        } else {
            for (qsizetype i = 0; i < length; ++i)
                out[i] = QChar(uchar(at[i]));
            at += length;
        }
        return QStringView(scratch);
    }

    // The next text as a text of its own.
    static QString unpackText(const char*& at)
    {
        const quint64 header = readHeader(at);
        const qsizetype length = qsizetype(header / 2);
        if (header % 2 == 0) {
            const QString text = QString::fromLatin1(at, length);
            at += length;
            return text;
        }
        QString text(length, Qt::Uninitialized);
        std::memcpy(static_cast<void*>(text.data()), at, size_t(length) * 2);
        at += length * 2;
        return text;
    }

    std::vector<QByteArray> m_blocks;
    qsizetype m_count = 0;
};

}  // namespace

namespace {

// The texts a line load takes from a record, the line number that of `gridRow`.
WithholdingLine lineOf(
    const record::RecordView& view, qint32 gridRow, const QString& receiptAmount, const QString& withholding)
{
    WithholdingLine line;
    line.lineNumber = QString::number(gridRow);
    line.receiptNumber = text::trimmed(view.receiptNumber);
    line.date = text::trimmed(view.dateText());
    line.receiptAmount = text::trimmed(receiptAmount);
    line.withholding = withholding;
    line.supplierName = text::trimmed(view.supplierName);
    line.supplierCuit = text::trimmed(view.supplierCuit);
    return line;
}

}  // namespace

ImportedLine importLine(const QString& recordLine, qint32 gridRow)
{
    const record::RecordView view = record::readRecord(recordLine);
    ImportedLine out;
    if (text::toInt32(view.receiptNumber) <= 0)
        return out;
    const QString receiptAmount = record::RecordView::amountText(view.receiptField);
    const QString withheldAmount = record::RecordView::amountText(view.withheldField);
    out.passedOver = false;
    out.receiptCents = text::toCents(receiptAmount);
    out.withheldCents = text::toCents(withheldAmount);
    out.withheldAmount = text::trimmed(withheldAmount);
    out.matches = withholding::matchesReceipt(out.receiptCents, out.withheldCents);
    out.withholding = withholding::roundedToUnits(out.withheldCents);
    out.line = lineOf(view, gridRow, receiptAmount, QString::number(out.withholding));
    return out;
}

ReloadedLine reloadLine(const QString& recordLine, qint32 gridRow)
{
    const record::RecordView view = record::readRecord(recordLine);
    ReloadedLine out;
    out.withheldAmount = text::trimmed(record::RecordView::amountText(view.withheldField));
    out.line = lineOf(view, gridRow, record::RecordView::amountText(view.receiptField), out.withheldAmount);
    return out;
}

ImportResult importFile(const QString& path, Declaration& declaration)
{
    ImportResult result;
    PackedLines lines;
    qint32 row = declaration.nextRow();
    AddedTotal added;
    readLines(path, [&](const QString& line, qint64 lineNumber) {
        const ImportedLine imported = importLine(line, row);
        if (imported.passedOver)
            return;
        if (!imported.matches) {
            if (result.mismatches.size() < size_t(MaxListedMismatches)) {
                Mismatch mismatch;
                mismatch.lineNumber = lineNumber;
                mismatch.receiptNumber = imported.line.receiptNumber;
                mismatch.receiptAmount = imported.line.receiptAmount;
                mismatch.withheldAmount = imported.withheldAmount;
                // Truncated like the check truncates it.
                mismatch.expectedWithholding =
                    text::formatFixed2Cents(withholding::ofReceiptInCents(imported.receiptCents));
                result.mismatches.push_back(std::move(mismatch));
            }
            ++result.mismatchCount;
        }
        added.add(imported.withholding * 100);
        lines.append(imported.line);
        row = advanced(row);
    });
    result.firstRow = declaration.nextRow();
    result.linesAdded = int(lines.size());
    lines.appendTo(declaration, added.cents());
    return result;
}

int reloadDeclaration(const QString& path, Declaration& declaration)
{
    PackedLines lines;
    qint32 row = declaration.nextRow();
    AddedTotal added;
    readLines(path, [&](const QString& line, qint64) {
        const ReloadedLine reloaded = reloadLine(line, row);
        added.add(text::toCents(reloaded.withheldAmount));
        lines.append(reloaded.line);
        row = advanced(row);
    });
    const int count = int(lines.size());
    lines.appendTo(declaration, added.cents());
    return count;
}

QString mismatchDetail(const ImportResult& result)
{
    QStringList rows;
    rows.reserve(qsizetype(result.mismatches.size()) + 1);
    for (const Mismatch& mismatch : result.mismatches) {
        rows << QStringLiteral("Línea %1: comprobante %2, importe %3, retención declarada %4, retención del 0.5 % %5")
                    .arg(mismatch.lineNumber)
                    .arg(mismatch.receiptNumber, mismatch.receiptAmount, mismatch.withheldAmount,
                        mismatch.expectedWithholding);
    }
    return listedLines(rows, result.mismatchCount, QStringLiteral("... y %1 líneas más que no coinciden"));
}

}  // namespace lineload
