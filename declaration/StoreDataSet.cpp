#include "declaration/StoreDataSet.h"

#include "core/Error.h"
#include "db/Query.h"

namespace {

FieldType fieldType(db::ColumnType type)
{
    switch (type) {
    case db::ColumnType::Integer:
        return FieldType::Integer;
    case db::ColumnType::Scaled:
        return FieldType::Bcd;
    case db::ColumnType::Real:
        return FieldType::Float;
    case db::ColumnType::Text:
        break;
    }
    return FieldType::String;
}

FieldValue readField(const db::Query& query, int index)
{
    FieldValue value;
    value.isNull = query.isNull(index);
    switch (query.fieldType(index)) {
    case db::ColumnType::Text: {
        value.type = FieldType::String;
        QString text = query.text(index);
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
            --end;
        text.truncate(end);
        value.text = text;
        break;
    }
    case db::ColumnType::Integer:
        value.type = FieldType::Integer;
        value.integer = query.integer(index);
        value.real = double(value.integer);
        value.text = value.isNull ? QString() : QString::number(value.integer);
        break;
    case db::ColumnType::Scaled:
        value.type = FieldType::Bcd;
        value.integer = query.integer(index);
        value.scale = query.fieldDecimals(index);
        value.real = query.real(index);
        value.text = value.isNull ? QString() : query.text(index);
        break;
    case db::ColumnType::Real:
        value.type = FieldType::Float;
        value.real = query.real(index);
        value.text = value.isNull ? QString() : query.text(index);
        break;
    }
    return value;
}

// %1 the field name the report asked for.
const QString FieldNotFoundMessage = QStringLiteral("Campo \"%1\" no encontrado");

}  // namespace

StoreDataSet::StoreDataSet(db::Query& query)
{
    for (int index = 0; index < query.fieldCount(); ++index) {
        m_names << query.fieldName(index);
        m_types.push_back(fieldType(query.fieldType(index)));
    }
    for (; query.isOpen() && !query.eof(); query.next()) {
        std::vector<FieldValue> row;
        row.reserve(m_names.size());
        for (int index = 0; index < query.fieldCount(); ++index)
            row.push_back(readField(query, index));
        m_rows.push_back(std::move(row));
    }
}

void StoreDataSet::first()
{
    m_current = 0;
}

void StoreDataSet::next()
{
    if (m_current < m_rows.size())
        ++m_current;
}

bool StoreDataSet::eof() const
{
    return m_current >= m_rows.size();
}

int StoreDataSet::recordCount() const
{
    return int(m_rows.size());
}

FieldValue StoreDataSet::field(const QString& name) const
{
    for (qsizetype index = 0; index < m_names.size(); ++index) {
        if (m_names.at(index).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        // Past the last record (an empty data set still prints one detail
        // band) every field reads as null.
        if (eof()) {
            FieldValue value;
            value.type = m_types.at(index);
            return value;
        }
        return m_rows[m_current].at(index);
    }
    throw Error(FieldNotFoundMessage.arg(name));
}
