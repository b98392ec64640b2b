#pragma once

#include "declaration/Declaration.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// Loading withholding lines from files into the declaration: the import of a file of
// declaration records ("Importación de Archivo") and the re-load of the
// period's declaration file ("Carga Manual").
//
// Both read the file line by line in the encoding it is in (see
// declarationfile::LineReader), with positions counted in characters. Both are
// all or nothing: the lines are gathered apart from the declaration, packed,
// and appended to it in one step, with the next-row counter and the running
// total, only when the whole file has been read. A load that stops on an error
// leaves lines, counter and total as they were and throws the error with the
// file and the line number as its detail. A line with a control character
// (below 32) in a field that is read stops the load that way too; control
// characters in the error texts are written visibly (\x00).
namespace lineload {

// An import line whose declared withholding does not match 0.5 % of its
// receipt amount, as the user is told about it.
struct Mismatch
{
    qint64 lineNumber = 0;        // 1-based, in the file
    QString receiptNumber;        // trimmed, as in the file
    QString receiptAmount;        // 000001380.00
    QString withheldAmount;       // 000000007.00
    QString expectedWithholding;  // 0.5 % of the receipt amount, two decimals, truncated
};

struct ImportResult
{
    // The grid row of the first line added, and how many were added.
    qint32 firstRow = 0;
    int linesAdded = 0;
    // Every line that failed the cross-check is counted; only the first
    // `MaxListedMismatches` are kept for the list shown to the user.
    qint64 mismatchCount = 0;
    std::vector<Mismatch> mismatches;

    bool mismatch() const { return mismatchCount > 0; }
};

constexpr int MaxListedMismatches = 1000;

// One import line read on its own (positions of the declaration record). The
// rest is filled only for a line that is not passed over.
struct ImportedLine
{
    bool passedOver = true;  // receipt number 0 or negative: nothing added, nothing checked
    WithholdingLine line;    // as the grid shows it, line number included
    qint64 withholding = 0;  // rounded to whole units, added to the total
    bool matches = true;     // the cross-check
    QString withheldAmount;  // trimmed: 000000007.00
    qint64 receiptCents = 0;
    qint64 withheldCents = 0;
};
// Throws ConversionError for a receipt number that is no 32-bit integer or an
// amount that is no number. Control characters are the file loads' concern.
ImportedLine importLine(const QString& recordLine, qint32 gridRow);

// One re-loaded line: the line and the withheld-amount text the total adds.
struct ReloadedLine
{
    WithholdingLine line;
    QString withheldAmount;  // trimmed: 000000006.00
};
ReloadedLine reloadLine(const QString& recordLine, qint32 gridRow);

// Imports the file at `path` after the lines the declaration already holds.
// Lines that fail the cross-check are added like any other; the caller decides
// what a mismatch means.
ImportResult importFile(const QString& path, Declaration& declaration);

// Re-loads the declaration file at `path` after the lines the declaration
// already holds; returns the number of lines added. No line is passed over or
// cross-checked.
int reloadDeclaration(const QString& path, Declaration& declaration);

// The lines of a failed cross-check, one per line, for the detail of the box.
QString mismatchDetail(const ImportResult& result);

}  // namespace lineload
