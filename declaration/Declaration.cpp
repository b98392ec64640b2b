#include "declaration/Declaration.h"

#include "core/Decimal.h"
#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/ControlReport.h"

#include <limits>

namespace {

const QString NoMoreRowsMessage = QStringLiteral("No hay más renglones disponibles en la grilla");
const QString TotalOutOfRangeMessage =
    QStringLiteral("El total de retenciones no se puede llevar: es demasiado grande");

}  // namespace

Declaration::Declaration(QObject* parent)
    : QObject(parent)
{
}

void Declaration::setLegajo(const QString& legajo)
{
    if (m_header.legajo == legajo)
        return;
    m_header.legajo = legajo;
    emit headerChanged();
}

void Declaration::setMonth(const QString& month)
{
    if (m_header.month == month)
        return;
    m_header.month = month;
    emit headerChanged();
}

void Declaration::setYear(const QString& year)
{
    if (m_header.year == year)
        return;
    m_header.year = year;
    emit headerChanged();
}

void Declaration::setDeclarant(const QString& cuit, const QString& companyName)
{
    if (m_header.declarantCuit == cuit && m_header.declarantName == companyName)
        return;
    m_header.declarantCuit = cuit;
    m_header.declarantName = companyName;
    emit headerChanged();
}

QString Declaration::period() const
{
    return text::trimmed(m_header.month) + QLatin1Char('/') + text::trimmed(m_header.year);
}

QString Declaration::periodoCaption() const
{
    return controlreport::periodoCaption(m_header.month, m_header.year, m_header.legajo, m_header.declarantName);
}

const WithholdingLine& Declaration::line(int gridRow) const
{
    static const WithholdingLine empty{};
    if (gridRow < 1 || gridRow > int(m_lines.size()))
        return empty;
    return m_lines[size_t(gridRow - 1)];
}

QString Declaration::totalText() const
{
    return text::formatGeneralCents(m_totalCents);
}

QString Declaration::totalCaption() const
{
    return controlreport::totalCaption(totalText());
}

qint64 Declaration::totalPlus(qint64 cents) const
{
    const std::optional<qint64> sum = decimal::exactSum(m_totalCents, cents);
    if (!sum)
        throw Error(TotalOutOfRangeMessage);
    return *sum;
}

void Declaration::setTotalCents(qint64 cents)
{
    if (m_totalCents == cents)
        return;
    m_totalCents = cents;
    emit totalChanged();
}

void Declaration::addLine(WithholdingLine line)
{
    // The total first: a withholding that is no number stops here with
    // nothing written.
    const qint64 total = totalPlus(text::toCents(text::trimmed(line.withholding)));
    if (m_nextRow >= std::numeric_limits<qint32>::max())
        throw Error(NoMoreRowsMessage);
    const int row = m_nextRow;
    line.lineNumber = QString::number(row);
    const int usedBefore = usedRows();
    if (row > usedBefore) {
        emit rowsAboutToGrow(usedBefore, row);
        m_lines.resize(size_t(row));
        m_lines[size_t(row - 1)] = std::move(line);
        emit rowsGrown();
    } else {
        m_lines[size_t(row - 1)] = std::move(line);
        emit linesChanged(row, row);
    }
    ++m_nextRow;
    setTotalCents(total);
}

bool Declaration::deleteLine(int gridRow)
{
    if (gridRow < 1 || gridRow > usedRows())
        return false;
    WithholdingLine& held = m_lines[size_t(gridRow - 1)];
    if (held.receiptNumber.isEmpty())
        return false;
    const qint64 total = totalPlus(-text::toCents(held.withholding));
    held = WithholdingLine{held.lineNumber, {}, {}, {}, {}, {}, {}};
    emit linesChanged(gridRow, gridRow);
    setTotalCents(total);
    return true;
}

void Declaration::appendLines(qint32 count, qint64 addedCents, const SliceSource& nextSlice)
{
    if (count <= 0)
        return;
    const qint64 total = totalPlus(addedCents);
    const qint64 lastRow = qint64(m_nextRow) + count - 1;
    if (lastRow >= std::numeric_limits<qint32>::max())
        throw Error(NoMoreRowsMessage);
    const int first = m_nextRow;
    const int last = int(lastRow);
    const int usedBefore = usedRows();
    if (last > usedBefore) {
        emit rowsAboutToGrow(usedBefore, last);
        m_lines.resize(size_t(last));
        emit rowsGrown();
    }
    int row = first;
    for (std::vector<WithholdingLine> slice = nextSlice(); !slice.empty() && row <= last; slice = nextSlice()) {
        const int sliceFirst = row;
        for (WithholdingLine& line : slice) {
            if (row > last)
                break;
            m_lines[size_t(row - 1)] = std::move(line);
            ++row;
        }
        emit linesChanged(sliceFirst, row - 1);
    }
    m_nextRow = last + 1;
    setTotalCents(total);
}

void Declaration::setReloadedFile(std::optional<LoadedDeclarationFile> file)
{
    m_reloaded = std::move(file);
}

void Declaration::clear()
{
    emit linesAboutToBeCleared();
    m_lines = {};
    emit linesCleared();
    m_nextRow = 1;
    m_reloaded.reset();
    setTotalCents(0);
    m_header = DeclarationHeader();
    emit headerChanged();
}
