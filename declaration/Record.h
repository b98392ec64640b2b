#pragma once

#include <QString>
#include <optional>

// The declaration file name and the fixed-width declaration record, shared by
// CONFIRMA (writer), "Carga Manual" (re-load) and the file import (readers).
namespace record {

// The month text read as an integer, plus 100, characters 2 and 3: "01".."12".
// Throws ConversionError for a month that is no integer.
QString monthTwoDigits(const QString& monthText);
// "1".."9", "A", "B", "C" from month two digits; empty for anything else.
QString monthCode(const QString& monthText);
// The trimmed legajo left-filled with "0" to five characters; empty when its
// length is not 1 to 5.
QString legajoFive(const QString& legajoText);
// Characters 3 and 4 of the trimmed year text.
QString yearTwoDigits(const QString& yearText);
// Year two digits + month code + legajo five: 26300332.
QString baseName(const QString& monthText, const QString& yearText, const QString& legajoText);
// Base name + ".txt".
QString declarationFileName(const QString& monthText, const QString& yearText, const QString& legajoText);

// Eleven digits, the last two hundredths, from an amount text: 6 gives
// 00000000600, 000001234.50 gives 00000123450.
QString amountField(const QString& amountText);

// The receipt number as the record writes it: trimmed and left-filled with
// "0" to 13 characters, so "1", "0001" and "0000000000001" give the same
// field. A longer number is kept whole. Receipt numbers are compared in this
// form wherever two of them must not stand for the same receipt.
QString receiptNumberField(const QString& receiptNumber);

// The inputs of one record, as texts.
struct RecordInput
{
    QString supplierCuit;    // grid column 6
    QString year;            // E_ano
    QString monthTwoDigits;  // from e_Mes
    QString date;            // grid column 2, DD/MM/YYYY
    QString withholding;     // grid column 4
    QString receiptNumber;   // grid column 1
    QString supplierName;    // grid column 5
    QString declarantCuit;   // e_Cuit
    QString declarantName;   // e_Razon
    QString receiptAmount;   // grid column 3
};

// The 195 characters of the record followed by the carriage return; the file
// writer adds the line end. Callers check `doesNotFit` first: a field longer
// than its width is written whole and shifts the later fields.
QString declarationRecord(const RecordInput& input);

// The first field of a line that has no room in its record, in record order,
// or nothing when the whole line fits. Checks the CUITs and the receipt
// number (at most 13 characters), the company names (at most 60), the two
// amounts (0 to 999999999.99, at most two decimals), then that the date and
// the year fill their 10 and 4 characters exactly; every text field's
// characters must have their byte in the declaration files' code page.
struct FieldProblem
{
    QString field;  // Spanish name of the field, for the user
    QString value;  // the text that does not fit
};
std::optional<FieldProblem> doesNotFit(const RecordInput& input);

// What a reader takes from a record line (line end removed). Positions are
// characters, a character outside the Basic Multilingual Plane (two UTF-16
// units) being one; positions past the end of a short line read as empty.
struct RecordView
{
    QString supplierCuit;   // 1-13
    QString recordDate;     // 14-21, YYYYMMDD
    QString withheldField;  // 28-38
    QString receiptNumber;  // 39-51
    QString supplierName;   // 52-111
    QString receiptField;   // 185-195

    // DD/MM/YYYY from the record date, character by character.
    QString dateText() const;
    // The first nine characters, ".", characters 10 and 11: 000001234.56.
    static QString amountText(const QString& field);
};
RecordView readRecord(const QString& line);

// The declarant as a record names it (positions 112-124 and 125-184, counted
// like the reader's view), which the certificates show.
struct DeclarantView
{
    QString cuit;  // 112-124
    QString name;  // 125-184
};
DeclarantView readDeclarant(const QString& line);

// The record fields of `line`, each one taken by `read(line, from, width)`
// (first position 1).
template <typename Read>
RecordView readRecordWith(const QString& line, Read&& read)
{
    RecordView view;
    view.supplierCuit = read(line, 1, 13);
    view.recordDate = read(line, 14, 8);
    view.withheldField = read(line, 28, 11);
    view.receiptNumber = read(line, 39, 13);
    view.supplierName = read(line, 52, 60);
    view.receiptField = read(line, 185, 11);
    return view;
}

}  // namespace record
