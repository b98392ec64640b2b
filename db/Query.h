#pragma once

#include "db/Handle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace Firebird {
class IMessageMetadata;
class IResultSet;
class IStatement;
}  // namespace Firebird

namespace db {

class Transaction;

// The kinds of value a result field delivers.
enum class ColumnType {
    Text,     // CHAR, VARCHAR and whatever else reads as text (dates, ...)
    Integer,  // SMALLINT, INTEGER, BIGINT, BOOLEAN
    Scaled,   // NUMERIC and DECIMAL: an exact integer with decimal digits
    Real,     // FLOAT, DOUBLE PRECISION
};

// An SQL statement on a transaction, with named parameters (":name", matched
// without regard to letter case and sent to the server as positional ones)
// and a forward result set for selects.
//
// The statement is prepared on first use and kept while its text stays the
// same; a new text frees it. Parameter values keep their values from one
// execution to the next, until the text changes; a parameter never set is
// NULL.
class Query
{
public:
    explicit Query(Transaction& transaction);
    ~Query();
    Q_DISABLE_COPY(Query)

    // Closes an open result set first.
    void setSql(const QString& sql);

    // Throw Error for a name the statement does not have.
    void setText(const QString& name, const QString& value);
    // An exact decimal: `value` × 10^-decimals (600 with 2 decimals is 6.00).
    void setScaled(const QString& name, qint64 value, int decimals);

    // Prepares the statement now (it is also prepared by execute and open).
    void prepare();
    bool prepared() const { return bool(m_statement); }
    // Runs a statement that returns no rows.
    void execute();
    // Runs a select and moves to its first row.
    void open();
    bool isOpen() const { return bool(m_cursor); }
    // True when the open result set has no current row.
    bool eof() const { return m_eof; }
    void next();
    void close();
    // Closes and frees the prepared statement.
    void unprepare();

    // The fields of the open result set, in select order.
    int fieldCount() const { return int(m_fields.size()); }
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const;  // -1 when there is none
    ColumnType fieldType(int index) const;
    int fieldDecimals(int index) const;  // digits after the point of a Scaled field
    bool isNull(int index) const;
    // Text fields as stored (CHAR keeps its trailing blanks); numbers as text.
    QString text(int index) const;
    // Integer fields, and Scaled fields as their unscaled integer (6.00 is 600).
    qint64 integer(int index) const;
    double real(int index) const;

private:
    struct Parameter
    {
        enum class Kind { Null, Text, Integer } kind = Kind::Null;
        QByteArray text;  // UTF-8
        qint64 integer = 0;
        int decimals = 0;
    };
    // The SQL type, scale and length of a value in a message.
    struct ValueForm
    {
        unsigned type = 0;
        int scale = 0;
        unsigned length = 0;
    };
    struct Field
    {
        QString name;
        ColumnType type = ColumnType::Text;
        ValueForm form;
        unsigned offset = 0;
        unsigned nullOffset = 0;
        unsigned characterSet = 0;
    };

    // The layout of the rows of a result set: the message the server fills
    // and the fields read from it.
    struct OutputMessage
    {
        Handle<Firebird::IMessageMetadata> metadata;
        std::vector<Field> fields;
    };

    Parameter& parameter(const QString& name);
    void buildInputMessage();
    std::vector<ValueForm> wantedInputSlots() const;
    bool inputMessageFits(const std::vector<ValueForm>& wanted) const;
    void rebuildInputMessage(std::vector<ValueForm> wanted);
    void writeInputValues();
    OutputMessage describeOutput();
    void fetch();
    void dropHandles();

    Transaction& m_transaction;
    QString m_sql;
    QByteArray m_positionalSql;
    std::vector<QString> m_positionNames;  // one per "?" in the statement
    QStringList m_names;                   // distinct, in order
    std::vector<size_t> m_positionValues;  // for each "?", its index in m_values
    std::vector<Parameter> m_values;       // by index in m_names
    Handle<Firebird::IStatement> m_statement;
    Handle<Firebird::IMessageMetadata> m_inputMetadata;
    std::vector<ValueForm> m_inputSlots;
    QByteArray m_inputBuffer;
    Handle<Firebird::IResultSet> m_cursor;
    Handle<Firebird::IMessageMetadata> m_outputMetadata;
    std::vector<Field> m_fields;
    QByteArray m_outputBuffer;
    bool m_eof = true;
    int m_handlerKey;
};

// The statement with every ":name" replaced by "?", and the names (upper case)
// in order of appearance. Literals, quoted names and comments are left alone.
struct PositionalStatement
{
    QString sql;
    std::vector<QString> names;
};
PositionalStatement toPositional(const QString& sql);

}  // namespace db
