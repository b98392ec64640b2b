#include "tests/support/MemoryDataSet.h"

#include "core/Error.h"

namespace {

// A value of `type` that is not null.
FieldValue present(FieldType type, const QString& text, qint64 integer, int scale, double real)
{
    return FieldValue{type, false, text, integer, scale, real};
}

}  // namespace

MemoryDataSet::MemoryDataSet(const QStringList& fieldNames)
    : m_fieldNames(fieldNames)
{
}

void MemoryDataSet::append(const std::vector<FieldValue>& values)
{
    if (static_cast<qsizetype>(values.size()) != m_fieldNames.size())
        throw Error(QStringLiteral("Row with %1 values for %2 fields").arg(values.size()).arg(m_fieldNames.size()));
    m_rows.push_back(values);
}

void MemoryDataSet::first()
{
    m_current = 0;
}

void MemoryDataSet::next()
{
    if (!eof())
        ++m_current;
}

bool MemoryDataSet::eof() const
{
    return m_current >= static_cast<qsizetype>(m_rows.size());
}

int MemoryDataSet::recordCount() const
{
    return m_countKnown ? static_cast<int>(m_rows.size()) : -1;
}

FieldValue MemoryDataSet::field(const QString& name) const
{
    qsizetype column = -1;
    for (qsizetype i = 0; i < m_fieldNames.size() && column < 0; ++i) {
        if (m_fieldNames[i].compare(name, Qt::CaseInsensitive) == 0)
            column = i;
    }
    if (column < 0)
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    if (eof())
        throw Error(QStringLiteral("No current record"));
    return m_rows[static_cast<size_t>(m_current)][static_cast<size_t>(column)];
}

FieldValue MemoryDataSet::string(const QString& text)
{
    return present(FieldType::String, text, 0, 0, 0);
}

FieldValue MemoryDataSet::integer(qint64 number)
{
    return present(FieldType::Integer, QString(), number, 0, 0);
}

FieldValue MemoryDataSet::bcd(qint64 unscaled, int scale)
{
    return present(FieldType::Bcd, QString(), unscaled, scale, 0);
}

FieldValue MemoryDataSet::real(double number)
{
    return present(FieldType::Float, QString(), 0, 0, number);
}

FieldValue MemoryDataSet::null(FieldType type)
{
    FieldValue value;
    value.type = type;
    value.isNull = true;
    return value;
}
