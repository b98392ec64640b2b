#pragma once

#include "declaration/Declaration.h"
#include "declaration/LineLoad.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// What an import tells the user about the lines it kept: a supplier CUIT that
// is not NN-NNNNNNNN-N with a right check digit, and a receipt number that
// stands on another line of the grid. Neither stops the import; both are
// worked out from the declaration's lines once the file is in.
namespace importobservations {

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
};

struct Observations
{
    // Every line with an observation is counted; only the first `MaxListed`
    // are kept for the list shown to the user.
    qint64 count = 0;
    std::vector<Observation> listed;

    bool any() const { return count > 0; }
};

// The same cap as the list of lines that fail the cross-check.
constexpr int MaxListed = lineload::MaxListedMismatches;

// The observations on grid rows `firstRow` to `lastRow` (the lines one import
// added), in grid order. Receipt numbers are compared trimmed and exactly, as
// the duplicate check of manual entry compares them, against every line of
// the declaration; gaps are passed over.
Observations observe(const Declaration& declaration, int firstRow, int lastRow);

// "Atención revise el archivo importado: <n> renglones con observaciones !!!"
QString message(const Observations& observations);
// One line per listed observation, then a line counting the unlisted ones.
QString detail(const Observations& observations);

}  // namespace importobservations
