#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Builds declaration-record lines field by field at their positions, apart
// from the program's own record writer, so that the readers are checked
// against the layout itself.
namespace recordlines {

inline QString fitted(const QString& text, int width, QChar fill = QLatin1Char(' '))
{
    return text.leftJustified(width, fill, true);
}

// `yearMonthDay` is positions 14-21; positions 22-27 carry the rest of the
// written date, as a record written by CONFIRMA does.
inline QString record(const QString& cuit, const QString& yearMonthDay, const QString& withheldField,
    const QString& receiptNumber, const QString& name, const QString& receiptField)
{
    QString line;
    line += fitted(cuit, 13);
    line += fitted(yearMonthDay, 8);
    line += fitted(QStringLiteral("032026"), 6);
    line += fitted(withheldField, 11);
    line += fitted(receiptNumber, 13);
    line += fitted(name, 60);
    line += fitted(QStringLiteral("30-71234567-1"), 13);
    line += fitted(QStringLiteral("MUNICIPAL SERVICIOS SRL"), 60);
    line += fitted(receiptField, 11);
    return line;
}

// A line with matching amounts and a supplier CUIT with its right check
// digit: receipt number `number`, receipt amount in hundredths
// `receiptCents`, withheld 0.5 % of it in hundredths.
inline QString goodRecord(qint64 number, qint64 receiptCents)
{
    const qint64 withheld = receiptCents / 200;
    return record(QStringLiteral("20-12345678-6"), QStringLiteral("20260315"),
        QString::number(withheld).rightJustified(11, QLatin1Char('0')),
        QString::number(number).rightJustified(13, QLatin1Char('0')), QStringLiteral("PROVEEDOR SA"),
        QString::number(receiptCents).rightJustified(11, QLatin1Char('0')));
}

// Lines joined with CR CR LF as the declaration file has them.
inline QByteArray fileBytes(const QStringList& lines, const char* lineEnd = "\r\r\n")
{
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toLatin1();
        out += lineEnd;
    }
    return out;
}

}  // namespace recordlines
