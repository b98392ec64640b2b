#pragma once

#include <QString>
#include <QtGlobal>

enum class FieldType { Integer, String, Bcd, Float };

// One field of the current record. Bcd values are exact: `integer` scaled by
// 10^-scale (NUMERIC(18,2) 6.00 is integer 600, scale 2). String values come
// without the trailing blanks of fixed-length columns.
struct FieldValue
{
    FieldType type = FieldType::String;
    bool isNull = true;
    QString text;
    qint64 integer = 0;
    int scale = 0;
    double real = 0;
};

// A forward data set, already open, that a report reads from its first record
// to its end.
class DataSet
{
public:
    virtual ~DataSet() = default;
    // Moves to the first record (the data set may only be read forwards once).
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    // Number of records, or -1 when not known in advance.
    virtual int recordCount() const = 0;
    // The named field of the current record; names match without regard to case.
    // Throws Error for a name the data set does not have.
    virtual FieldValue field(const QString& name) const = 0;
};
