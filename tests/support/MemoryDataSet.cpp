#include "tests/support/MemoryDataSet.h"

#include "core/Error.h"

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
    FieldValue value;
    value.type = FieldType::String;
    value.isNull = false;
    value.text = text;
    return value;
}

FieldValue MemoryDataSet::integer(qint64 number)
{
    FieldValue value;
    value.type = FieldType::Integer;
    value.isNull = false;
    value.integer = number;
    return value;
}

FieldValue MemoryDataSet::bcd(qint64 unscaled, int scale)
{
    FieldValue value;
    value.type = FieldType::Bcd;
    value.isNull = false;
    value.integer = unscaled;
    value.scale = scale;
    return value;
}

FieldValue MemoryDataSet::real(double number)
{
    FieldValue value;
    value.type = FieldType::Float;
    value.isNull = false;
    value.real = number;
    return value;
}

FieldValue MemoryDataSet::null(FieldType type)
{
    FieldValue value;
    value.type = type;
    value.isNull = true;
    return value;
}
