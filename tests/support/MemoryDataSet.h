#pragma once

#include "report/DataSet.h"

#include <QString>
#include <QStringList>
#include <vector>

// A data set held in memory: named fields and rows of values, read forwards
// like the store's select. Used where the lines do not come from the store.
class MemoryDataSet : public DataSet
{
public:
    explicit MemoryDataSet(const QStringList& fieldNames);

    // Appends a row; `values` are in the order of the field names.
    void append(const std::vector<FieldValue>& values);
    // When false, recordCount() answers -1 as a select that has not fetched
    // its rows does.
    void setCountKnown(bool known) { m_countKnown = known; }

    void first() override;
    void next() override;
    bool eof() const override;
    int recordCount() const override;
    FieldValue field(const QString& name) const override;

    static FieldValue string(const QString& text);
    static FieldValue integer(qint64 value);
    static FieldValue bcd(qint64 unscaled, int scale);
    static FieldValue real(double value);
    static FieldValue null(FieldType type);

private:
    QStringList m_fieldNames;
    std::vector<std::vector<FieldValue>> m_rows;
    qsizetype m_current = 0;
    bool m_countKnown = true;
};
