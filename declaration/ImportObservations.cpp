#include "declaration/ImportObservations.h"

#include "declaration/ListedLines.h"

#include "core/TextRules.h"
#include "declaration/Cuit.h"

#include <QHash>
#include <QStringList>

namespace importobservations {

namespace {

// The first two line rows that hold one receipt number.
struct Holders
{
    int first = 0;
    int second = 0;
};

// One pass over the grid: a hash keeps the scan linear however many lines an
// import brings.
QHash<QString, Holders> receiptHolders(const Declaration& declaration)
{
    QHash<QString, Holders> holders;
    const int rows = declaration.usedRows();
    holders.reserve(rows);
    for (int row = 1; row <= rows; ++row) {
        const QString receipt = text::trimmed(declaration.line(row).receiptNumber);
        if (receipt.isEmpty())
            continue;
        Holders& entry = holders[receipt];
        if (entry.first == 0)
            entry.first = row;
        else if (entry.second == 0)
            entry.second = row;
    }
    return holders;
}

QString describe(const Observation& observation)
{
    QStringList what;
    if (observation.invalidCuit)
        what << QStringLiteral("CUIT inválido");
    if (observation.repeatedInRow > 0)
        what << QStringLiteral("Comprobante repetido en el renglón %1").arg(observation.repeatedInRow);
    return QStringLiteral("Renglón %1: comprobante %2, CUIT %3: %4")
        .arg(observation.gridRow)
        .arg(observation.receiptNumber, observation.cuit, what.join(QStringLiteral("; ")));
}

}  // namespace

Observations observe(const Declaration& declaration, int firstRow, int lastRow)
{
    Observations out;
    firstRow = qMax(firstRow, 1);
    lastRow = qMin(lastRow, declaration.usedRows());
    if (firstRow > lastRow)
        return out;
    const QHash<QString, Holders> holders = receiptHolders(declaration);
    for (int row = firstRow; row <= lastRow; ++row) {
        const WithholdingLine& line = declaration.line(row);
        const QString receipt = text::trimmed(line.receiptNumber);
        if (receipt.isEmpty())
            continue;
        const Holders entry = holders.value(receipt);
        const int repeatedInRow = entry.second == 0 ? 0 : (row == entry.first ? entry.second : entry.first);
        const bool invalidCuit = !cuit::textIsValid(line.supplierCuit);
        if (!invalidCuit && repeatedInRow == 0)
            continue;
        if (out.listed.size() < size_t(MaxListed))
            out.listed.push_back({row, line.receiptNumber, line.supplierCuit, invalidCuit, repeatedInRow});
        ++out.count;
    }
    return out;
}

QString message(const Observations& observations)
{
    return QStringLiteral("Atención revise el archivo importado: %1 renglones con observaciones !!!")
        .arg(observations.count);
}

QString detail(const Observations& observations)
{
    QStringList rows;
    rows.reserve(qsizetype(observations.listed.size()) + 1);
    for (const Observation& observation : observations.listed)
        rows << describe(observation);
    return listedLines(rows, observations.count, QStringLiteral("... y %1 renglones más con observaciones"));
}

}  // namespace importobservations
