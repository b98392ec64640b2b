#pragma once

#include "report/DataSet.h"

#include <QStringList>
#include <vector>

namespace db {
class Query;
}

// The rows of an open select as the report reads them. The rows are read from
// the query once, when the adapter is made, so the record count is known
// before the report starts (a declaration holds some thousand rows at most).
// CHAR fields come without their trailing blanks, NUMERIC fields as exact
// scaled integers (Bcd), integer fields as Integer.
class StoreDataSet : public DataSet
{
public:
    explicit StoreDataSet(db::Query& query);

    void first() override;
    void next() override;
    bool eof() const override;
    int recordCount() const override;
    FieldValue field(const QString& name) const override;

    QStringList fieldNames() const { return m_names; }

private:
    QStringList m_names;
    std::vector<FieldType> m_types;
    std::vector<std::vector<FieldValue>> m_rows;
    size_t m_current = 0;
};
