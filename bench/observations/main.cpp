// Works out the observations of an import (invalid CUIT, repeated receipt
// number) on grids of generated lines and prints the time per size and case,
// the box's detail text included.
#include "declaration/Declaration.h"
#include "declaration/ImportObservations.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

enum class Case { Clean, EveryReceiptTwice, EveryCuitInvalid };

WithholdingLine gridLine(int row, Case kind)
{
    const int receipt = kind == Case::EveryReceiptTwice ? (row + 1) / 2 : row;
    const QString cuit =
        kind == Case::EveryCuitInvalid ? QStringLiteral("20-12345678-9") : QStringLiteral("20-12345678-6");
    return {QString::number(row), QString::number(receipt).rightJustified(13, QLatin1Char('0')),
        QStringLiteral("15/03/2026"), QStringLiteral("000001380.00"), QStringLiteral("7"),
        QStringLiteral("PROVEEDOR SA"), cuit};
}

const char* caseName(Case kind)
{
    switch (kind) {
    case Case::Clean:
        return "clean";
    case Case::EveryReceiptTwice:
        return "receipts twice";
    case Case::EveryCuitInvalid:
        return "CUITs invalid";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::printf("%10s %16s %10s %14s %12s\n", "lines", "case", "observed", "detail chars", "ms (best)");
    for (const int lines : {1000, 10000, 100000}) {
        for (const Case kind : {Case::Clean, Case::EveryReceiptTwice, Case::EveryCuitInvalid}) {
            std::vector<WithholdingLine> rows;
            rows.reserve(size_t(lines));
            for (int row = 1; row <= lines; ++row)
                rows.push_back(gridLine(row, kind));
            Declaration declaration;
            declaration.appendLines(lines, qint64(lines) * 700, [&rows] { return std::exchange(rows, {}); });

            double best = 0;
            qint64 observed = 0;
            qsizetype detailSize = 0;
            for (int run = 0; run < 5; ++run) {
                QElapsedTimer timer;
                timer.start();
                const importobservations::Observations observations =
                    importobservations::observe(declaration, 1, lines);
                const QString detail = importobservations::detail(observations);
                const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
                observed = observations.count;
                detailSize = detail.size();
                best = run == 0 ? milliseconds : std::min(best, milliseconds);
            }
            std::printf("%10d %16s %10lld %14lld %12.2f\n", lines, caseName(kind), observed, qint64(detailSize), best);
            std::fflush(stdout);
        }
    }
    return 0;
}
