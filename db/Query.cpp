#include "db/Query.h"

#include "core/Decimal.h"
#include "db/Connection.h"
#include "db/Status.h"
#include "db/Transaction.h"

#include <cstring>

namespace db {
namespace {

// The server's numbers of the character sets met here.
enum CharacterSet : unsigned { NoneCharacterSet = 0, OctetsCharacterSet = 1, Utf8CharacterSet = 4 };
constexpr unsigned LongestVarying = 32765;
constexpr unsigned TextOfOtherTypes = 64;  // dates, times and the like, read as text

bool identifierStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool identifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QString decode(const auto& field, const char* data, unsigned length)
{
    if (field.characterSet == Utf8CharacterSet)
        return QString::fromUtf8(data, length);
    return QString::fromLatin1(data, length);
}

using Metadata = Handle<Firebird::IMessageMetadata>;
using MetadataBuilder = Handle<Firebird::IMetadataBuilder>;

// The number of "?" the server found in a prepared statement.
unsigned inputCount(Firebird::IStatement* statement)
{
    StatusWrapper status;
    const Metadata input(statement->getInputMetadata(&status));
    return input->getCount(&status);
}

// Asks `builder` for a field's value as `type`, `length` bytes with `scale`.
void requestForm(StatusWrapper& status, Firebird::IMetadataBuilder* builder, unsigned index, unsigned type,
    unsigned length, int scale)
{
    builder->setType(&status, index, type);
    builder->setLength(&status, index, length);
    builder->setScale(&status, index, scale);
}

// The kind of value of one described field; asks `builder` for the form in
// which the field's value is to arrive.
ColumnType requestFieldForm(
    StatusWrapper& status, Firebird::IMessageMetadata* described, Firebird::IMetadataBuilder* builder, unsigned index)
{
    const unsigned type = described->getType(&status, index);
    const int scale = described->getScale(&status, index);
    switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
        // Binary and untyped text stay as stored; every other character set
        // arrives as UTF-8.
        if (const unsigned set = described->getCharSet(&status, index);
            set != OctetsCharacterSet && set != NoneCharacterSet)
            builder->setCharSet(&status, index, Utf8CharacterSet);
        return ColumnType::Text;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        requestForm(status, builder, index, SQL_INT64, 8, scale < 0 ? scale : 0);
        return scale < 0 ? ColumnType::Scaled : ColumnType::Integer;
    case SQL_BOOLEAN:
        return ColumnType::Integer;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        requestForm(status, builder, index, SQL_DOUBLE, 8, 0);
        return ColumnType::Real;
    default:
        requestForm(status, builder, index, SQL_VARYING, TextOfOtherTypes, 0);
        builder->setCharSet(&status, index, Utf8CharacterSet);
        return ColumnType::Text;
    }
}

}  // namespace

PositionalStatement toPositional(const QString& sql)
{
    PositionalStatement result;
    result.sql.reserve(sql.size());
    const qsizetype size = sql.size();
    qsizetype i = 0;
    auto copyUntil = [&](QLatin1String end) {
        const qsizetype found = sql.indexOf(end, i);
        const qsizetype stop = found < 0 ? size : found + end.size();
        result.sql += QStringView(sql).mid(i, stop - i);
        i = stop;
    };
    while (i < size) {
        const QChar c = sql.at(i);
        const QChar following = i + 1 < size ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'')) {
            result.sql += c;
            ++i;
            copyUntil(QLatin1String("'"));  // a doubled quote opens the next run at once
        } else if (c == QLatin1Char('"')) {
            result.sql += c;
            ++i;
            copyUntil(QLatin1String("\""));
        } else if (c == QLatin1Char('-') && following == QLatin1Char('-')) {
            copyUntil(QLatin1String("\n"));
        } else if (c == QLatin1Char('/') && following == QLatin1Char('*')) {
            result.sql += QLatin1String("/*");
            i += 2;
            copyUntil(QLatin1String("*/"));
        } else if (c == QLatin1Char(':') && identifierStart(following)) {
            qsizetype end = i + 1;
            while (end < size && identifierPart(sql.at(end)))
                ++end;
            result.names.push_back(sql.mid(i + 1, end - i - 1).toUpper());
            result.sql += QLatin1Char('?');
            i = end;
        } else {
            result.sql += c;
            ++i;
        }
    }
    return result;
}

Query::Query(Transaction& transaction)
    : m_transaction(transaction)
    , m_handlerKey(transaction.connection().addDisconnectHandler([this] { dropHandles(); }))
{
}

Query::~Query()
{
    m_transaction.connection().removeDisconnectHandler(m_handlerKey);
    dropHandles();
}

void Query::dropHandles()
{
    try {
        close();
    } catch (const Error&) {
    }
    unprepare();
}

void Query::setSql(const QString& sql)
{
    close();
    if (sql == m_sql)
        return;
    unprepare();
    m_sql = sql;
    PositionalStatement positional = toPositional(sql);
    m_positionalSql = positional.sql.toUtf8();
    m_positionNames = std::move(positional.names);
    m_names.clear();
    m_positionValues.clear();
    for (const QString& name : m_positionNames) {
        if (!m_names.contains(name))
            m_names << name;
        m_positionValues.push_back(size_t(m_names.indexOf(name)));
    }
    m_values.assign(m_names.size(), Parameter());
}

Query::Parameter& Query::parameter(const QString& name)
{
    const qsizetype index = m_names.indexOf(name.toUpper());
    if (index < 0)
        throw Error(QStringLiteral("Parámetro \"%1\" no encontrado").arg(name));
    return m_values[index];
}

void Query::setText(const QString& name, const QString& value)
{
    Parameter& target = parameter(name);
    target.kind = Parameter::Kind::Text;
    target.text = value.toUtf8();
}

void Query::setScaled(const QString& name, qint64 value, int decimals)
{
    Parameter& target = parameter(name);
    target.kind = Parameter::Kind::Integer;
    target.integer = value;
    target.decimals = decimals;
}

void Query::prepare()
{
    if (m_statement)
        return;
    Firebird::ITransaction* transaction = m_transaction.handle();
    Firebird::IAttachment* attachment = m_transaction.connection().attachment();
    StatusWrapper status;
    m_statement.reset(attachment->prepare(&status, transaction, m_positionalSql.size(), m_positionalSql.constData(), 3,
        Firebird::IStatement::PREPARE_PREFETCH_METADATA));
    const unsigned count = inputCount(m_statement.get());
    if (count != m_positionNames.size()) {
        unprepare();
        throw Error(QStringLiteral("La sentencia espera %1 parámetros y tiene %2 con nombre")
                        .arg(count)
                        .arg(m_positionNames.size()));
    }
}

void Query::unprepare()
{
    m_inputMetadata.reset();
    m_inputSlots.clear();
    if (!m_statement)
        return;
    // A statement the server cannot free goes with its attachment.
    finishQuietly(m_statement, [](Firebird::IStatement* prepared, StatusWrapper& status) { prepared->free(&status); });
}

// The message carries each parameter in the form of its value (UTF-8 text,
// or a scaled 64-bit integer), and the server converts it to the column's
// type. Amounts thus reach a NUMERIC column without passing through a double.
// The message layout is kept from one execution to the next while the values
// fit it, so that repeated executions of one statement build no new layout.
void Query::buildInputMessage()
{
    std::vector<ValueForm> wanted = wantedInputSlots();
    if (!inputMessageFits(wanted))
        rebuildInputMessage(std::move(wanted));
    writeInputValues();
}

std::vector<Query::ValueForm> Query::wantedInputSlots() const
{
    std::vector<ValueForm> wanted(m_positionNames.size());
    for (size_t position = 0; position < wanted.size(); ++position) {
        const Parameter& value = m_values[m_positionValues[position]];
        switch (value.kind) {
        case Parameter::Kind::Text:
            if (unsigned(value.text.size()) > LongestVarying)
                throw Error(
                    QStringLiteral("El texto del parámetro \"%1\" es demasiado largo").arg(m_positionNames[position]));
            wanted[position] = {SQL_VARYING, 0, qMax(1u, unsigned(value.text.size()))};
            break;
        case Parameter::Kind::Integer:
            wanted[position] = {SQL_INT64, -value.decimals, 8};
            break;
        case Parameter::Kind::Null:
            wanted[position] = {SQL_VARYING, 0, 1};
            break;
        }
    }
    return wanted;
}

bool Query::inputMessageFits(const std::vector<ValueForm>& wanted) const
{
    if (!m_inputMetadata || m_inputSlots.size() != wanted.size())
        return false;
    for (size_t position = 0; position < wanted.size(); ++position) {
        const ValueForm& have = m_inputSlots[position];
        const ValueForm& want = wanted[position];
        if (have.type != want.type || have.scale != want.scale || have.length < want.length)
            return false;
    }
    return true;
}

// A new layout keeps the longer text slots of the old one, so that texts of
// varying length soon stop asking for new layouts.
void Query::rebuildInputMessage(std::vector<ValueForm> wanted)
{
    for (size_t position = 0; position < wanted.size() && position < m_inputSlots.size(); ++position)
        if (m_inputSlots[position].type == wanted[position].type)
            wanted[position].length = qMax(wanted[position].length, m_inputSlots[position].length);
    m_inputMetadata.reset();
    StatusWrapper status;
    const MetadataBuilder builder(master()->getMetadataBuilder(&status, unsigned(wanted.size())));
    for (unsigned position = 0; position < wanted.size(); ++position) {
        const ValueForm& slot = wanted[position];
        requestForm(status, builder.get(), position, slot.type, slot.length, slot.scale);
        if (slot.type == SQL_VARYING)
            builder->setCharSet(&status, position, Utf8CharacterSet);
    }
    m_inputMetadata.reset(builder->getMetadata(&status));
    m_inputSlots = std::move(wanted);
    m_inputBuffer = QByteArray(int(m_inputMetadata->getMessageLength(&status)), '\0');
}

void Query::writeInputValues()
{
    StatusWrapper status;
    char* buffer = m_inputBuffer.data();
    for (unsigned position = 0; position < m_positionNames.size(); ++position) {
        const Parameter& value = m_values[m_positionValues[position]];
        const unsigned offset = m_inputMetadata->getOffset(&status, position);
        const short nullFlag = value.kind == Parameter::Kind::Null ? -1 : 0;
        std::memcpy(buffer + m_inputMetadata->getNullOffset(&status, position), &nullFlag, sizeof nullFlag);
        if (value.kind == Parameter::Kind::Text) {
            const quint16 length = quint16(value.text.size());
            std::memcpy(buffer + offset, &length, sizeof length);
            std::memcpy(buffer + offset + sizeof length, value.text.constData(), length);
        } else if (value.kind == Parameter::Kind::Integer) {
            std::memcpy(buffer + offset, &value.integer, sizeof value.integer);
        }
    }
}

void Query::execute()
{
    close();
    prepare();
    buildInputMessage();
    StatusWrapper status;
    m_statement->execute(
        &status, m_transaction.handle(), m_inputMetadata.get(), m_inputBuffer.data(), nullptr, nullptr);
}

// Every field in the form its kind is read in: texts as UTF-8 (unless binary),
// integers and scaled numbers as 64-bit integers, reals as doubles, and
// everything else (dates, times) as text.
Query::OutputMessage Query::describeOutput()
{
    StatusWrapper status;
    const Metadata described(m_statement->getOutputMetadata(&status));
    const unsigned count = described->getCount(&status);
    const MetadataBuilder builder(described->getBuilder(&status));
    OutputMessage output;
    output.fields.assign(count, Field());
    for (unsigned index = 0; index < count; ++index) {
        Field& field = output.fields[index];
        const char* alias = described->getAlias(&status, index);
        field.name = QString::fromUtf8(alias && *alias ? alias : described->getField(&status, index));
        field.type = requestFieldForm(status, described.get(), builder.get(), index);
    }
    output.metadata.reset(builder->getMetadata(&status));
    for (unsigned index = 0; index < count; ++index) {
        Field& field = output.fields[index];
        field.form.type = output.metadata->getType(&status, index);
        field.form.scale = output.metadata->getScale(&status, index);
        field.form.length = output.metadata->getLength(&status, index);
        field.offset = output.metadata->getOffset(&status, index);
        field.nullOffset = output.metadata->getNullOffset(&status, index);
        field.characterSet = output.metadata->getCharSet(&status, index);
    }
    return output;
}

void Query::open()
{
    close();
    prepare();
    buildInputMessage();
    OutputMessage output = describeOutput();
    StatusWrapper status;
    m_outputBuffer = QByteArray(int(output.metadata->getMessageLength(&status)), '\0');
    m_cursor.reset(m_statement->openCursor(
        &status, m_transaction.handle(), m_inputMetadata.get(), m_inputBuffer.data(), output.metadata.get(), 0));
    m_outputMetadata = std::move(output.metadata);
    m_fields = std::move(output.fields);
    fetch();
}

void Query::fetch()
{
    StatusWrapper status;
    m_eof = m_cursor->fetchNext(&status, m_outputBuffer.data()) != Firebird::IStatus::RESULT_OK;
}

void Query::next()
{
    if (m_cursor && !m_eof)
        fetch();
}

void Query::close()
{
    m_eof = true;
    m_outputMetadata.reset();
    m_fields.clear();
    if (!m_cursor)
        return;
    Handle<Firebird::IResultSet> cursor = std::move(m_cursor);
    StatusWrapper status;
    cursor.finish([&](Firebird::IResultSet* open) { open->close(&status); });
}

QString Query::fieldName(int index) const
{
    return m_fields.at(index).name;
}

int Query::fieldIndex(const QString& name) const
{
    for (size_t index = 0; index < m_fields.size(); ++index)
        if (m_fields[index].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(index);
    return -1;
}

ColumnType Query::fieldType(int index) const
{
    return m_fields.at(index).type;
}

int Query::fieldDecimals(int index) const
{
    return -m_fields.at(index).form.scale;
}

bool Query::isNull(int index) const
{
    const Field& field = m_fields.at(index);
    if (m_eof)
        return true;
    short flag;
    std::memcpy(&flag, m_outputBuffer.constData() + field.nullOffset, sizeof flag);
    return flag != 0;
}

QString Query::text(int index) const
{
    if (isNull(index))
        return QString();
    const Field& field = m_fields.at(index);
    const char* data = m_outputBuffer.constData() + field.offset;
    switch (field.form.type) {
    case SQL_TEXT:
        return decode(field, data, field.form.length);
    case SQL_VARYING: {
        quint16 length;
        std::memcpy(&length, data, sizeof length);
        return decode(field, data + sizeof length, qMin<unsigned>(length, field.form.length));
    }
    case SQL_DOUBLE:
        return QString::number(real(index), 'g', 15);
    default:
        return decimal::scaledText(integer(index), fieldDecimals(index));
    }
}

qint64 Query::integer(int index) const
{
    if (isNull(index))
        return 0;
    const Field& field = m_fields.at(index);
    const char* data = m_outputBuffer.constData() + field.offset;
    switch (field.form.type) {
    case SQL_INT64: {
        qint64 value;
        std::memcpy(&value, data, sizeof value);
        return value;
    }
    case SQL_BOOLEAN:
        return *data ? 1 : 0;
    case SQL_DOUBLE:
        return qint64(real(index));
    default:
        return text(index).trimmed().toLongLong();
    }
}

double Query::real(int index) const
{
    if (isNull(index))
        return 0;
    const Field& field = m_fields.at(index);
    if (field.form.type == SQL_DOUBLE) {
        double value;
        std::memcpy(&value, m_outputBuffer.constData() + field.offset, sizeof value);
        return value;
    }
    if (field.form.type == SQL_TEXT || field.form.type == SQL_VARYING)
        return text(index).trimmed().toDouble();
    double divisor = 1;
    for (int decimal = 0; decimal < fieldDecimals(index); ++decimal)
        divisor *= 10;
    return double(integer(index)) / divisor;
}

}  // namespace db
