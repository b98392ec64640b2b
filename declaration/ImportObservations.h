#pragma once

#include "declaration/Declaration.h"
#include "declaration/LineLoad.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

// What the program tells the user about lines it kept: a supplier CUIT that
// is not NN-NNNNNNNN-N with a right check digit, a receipt number that stands
// on another line of the grid, a date that is no date of the declared
// period, and a receipt of the same supplier that another declaration file of
// the legajo already declares. None of them stops anything; all are worked
// out from the declaration's lines once they are in.
namespace importobservations {

// A declaration file of another period, as the detail names it.
struct DeclaredIn
{
    QString fileName;  // 26200332.txt
    QString period;    // 02/2026
};

struct Observation
{
    int gridRow = 0;
    QString receiptNumber;  // as the line holds it
    QString cuit;           // as the line holds it
    bool invalidCuit = false;
    // The other line with the same receipt number, 0 when there is none: for
    // the first line holding the number the next one, for every later line
    // the first one, so all lines of a repeated number lead to one line.
    int repeatedInRow = 0;
    bool dateOutOfPeriod = false;
    // The other declaration files holding this supplier's receipt, in period order.
    std::vector<DeclaredIn> declaredIn;
};

struct Observations
{
    // Every line with an observation is counted; only the first `MaxListed`
    // are kept for the list shown to the user.
    qint64 count = 0;
    std::vector<Observation> listed;
    // MM/AAAA of the declared period; empty when the header gives none.
    QString period;
    // Declaration files of other periods that could not be read and were
    // passed over, each with its error.
    std::vector<DeclaredIn> unreadable;
    QStringList unreadableErrors;

    bool any() const { return count > 0 || !unreadable.empty(); }
};

// The same cap as the list of lines that fail the cross-check.
constexpr int MaxListed = lineload::MaxListedMismatches;

// The observations on grid rows `firstRow` to `lastRow` (the lines one load
// added), in grid order. Receipt numbers are compared as the declaration
// record writes them ("1" and "0000000000001" are one receipt), as the
// duplicate check of manual entry compares them, against every line of the
// declaration; gaps are passed over. Dates are judged against the header's
// month and year when they are valid. The legajo's declaration files of other
// periods in `declarationFolder` (none when it is empty, or when the header
// names no declaration file) are read for the observed lines' receipts.
Observations observe(
    const Declaration& declaration, int firstRow, int lastRow, const QString& declarationFolder = QString());

// After "Carga Manual" re-loaded the period's declaration file into grid rows
// from `firstReloadedRow` on: the observations over the whole grid when lines
// stood in it before and the re-load added lines; none otherwise.
Observations observeReload(const Declaration& declaration, int firstReloadedRow, const QString& declarationFolder);

// What the box is about: the lines of an import, or the whole grid.
enum class Scope { Import, Grid };

// "Atención revise el archivo importado: <n> renglones con observaciones !!!",
// for the whole grid "Atención revise la grilla: <n> renglones con
// observaciones !!!"; when no line has one but files were passed over, a
// message saying so.
QString message(const Observations& observations, Scope scope = Scope::Import);
// One line per listed observation, then a line counting the unlisted ones,
// then one line per declaration file that could not be read.
QString detail(const Observations& observations);

}  // namespace importobservations
