#include "declaration/ImportObservations.h"

#include "declaration/ListedLines.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/Cuit.h"
#include "declaration/OtherDeclarations.h"
#include "declaration/Record.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include <optional>

namespace importobservations {

namespace {

// The first two line rows that hold one receipt number.
struct Holders
{
    int first = 0;
    int second = 0;
};

// One pass over the grid: a hash keeps the scan linear however many lines a
// load brings. Receipt numbers are keyed as the record writes them.
QHash<QString, Holders> receiptHolders(const Declaration& declaration)
{
    QHash<QString, Holders> holders;
    const int rows = declaration.usedRows();
    holders.reserve(rows);
    for (int row = 1; row <= rows; ++row) {
        const QString& receipt = declaration.line(row).receiptNumber;
        if (text::trimmed(receipt).isEmpty())
            continue;
        Holders& entry = holders[record::receiptNumberField(receipt)];
        if (entry.first == 0)
            entry.first = row;
        else if (entry.second == 0)
            entry.second = row;
    }
    return holders;
}

struct Period
{
    int month = 0;
    int year = 0;
    QString text;  // MM/AAAA
};

// The declared period, when the header's month is 1 to 12 and its year four digits.
std::optional<Period> declaredPeriod(const DeclarationHeader& header)
{
    const QString yearText = text::trimmed(header.year);
    if (yearText.size() != 4)
        return std::nullopt;
    for (QChar c : yearText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    Period period;
    try {
        period.month = text::toInt32(text::trimmed(header.month));
    } catch (const Error&) {
        return std::nullopt;
    }
    if (period.month < 1 || period.month > 12)
        return std::nullopt;
    period.year = yearText.toInt();
    period.text = QStringLiteral("%1/%2").arg(period.month, 2, 10, QLatin1Char('0')).arg(yearText);
    return period;
}

int digitsAt(const QString& text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// A date text DD/MM/YYYY that is a real date of the period.
bool dateIsInPeriod(const QString& dateCell, const Period& period)
{
    const QString date = text::trimmed(dateCell);
    if (date.size() != 10 || date.at(2) != QLatin1Char('/') || date.at(5) != QLatin1Char('/'))
        return false;
    const int day = digitsAt(date, 0, 2);
    const int month = digitsAt(date, 3, 2);
    const int year = digitsAt(date, 6, 4);
    return month == period.month && year == period.year && QDate(year, month, day).isValid();
}

QString describe(const Observation& observation, const QString& period)
{
    QStringList what;
    if (observation.invalidCuit)
        what << QStringLiteral("CUIT inválido");
    if (observation.repeatedInRow > 0)
        what << QStringLiteral("Comprobante repetido en el renglón %1").arg(observation.repeatedInRow);
    if (observation.dateOutOfPeriod)
        what << QStringLiteral("Fecha fuera del período %1").arg(period);
    for (const DeclaredIn& file : observation.declaredIn)
        what << QStringLiteral("Comprobante ya declarado en la DDJJ %1 (%2)").arg(file.fileName, file.period);
    return QStringLiteral("Renglón %1: comprobante %2, CUIT %3: %4")
        .arg(observation.gridRow)
        .arg(observation.receiptNumber, observation.cuit, what.join(QStringLiteral("; ")));
}

DeclaredIn named(const otherdeclarations::DeclarationFile& file)
{
    return {file.fileName, file.period};
}

}  // namespace

Observations observe(const Declaration& declaration, int firstRow, int lastRow, const QString& declarationFolder)
{
    Observations out;
    const DeclarationHeader& header = declaration.header();
    const std::optional<Period> period = declaredPeriod(header);
    if (period)
        out.period = period->text;
    firstRow = qMax(firstRow, 1);
    lastRow = qMin(lastRow, declaration.usedRows());
    if (firstRow > lastRow)
        return out;
    const QHash<QString, Holders> holders = receiptHolders(declaration);

    // The observed lines' receipts, looked for in the legajo's other declaration files.
    otherdeclarations::Found elsewhere;
    if (!declarationFolder.isEmpty()) {
        QSet<QString> keys;
        keys.reserve(lastRow - firstRow + 1);
        for (int row = firstRow; row <= lastRow; ++row) {
            const WithholdingLine& line = declaration.line(row);
            if (!text::trimmed(line.receiptNumber).isEmpty())
                keys.insert(otherdeclarations::receiptKey(line.supplierCuit, line.receiptNumber));
        }
        elsewhere = otherdeclarations::search(declarationFolder, header.legajo, header.month, header.year, keys);
        for (const otherdeclarations::DeclarationFile& file : elsewhere.unreadable)
            out.unreadable.push_back(named(file));
        out.unreadableErrors = elsewhere.unreadableErrors;
    }

    for (int row = firstRow; row <= lastRow; ++row) {
        const WithholdingLine& line = declaration.line(row);
        const QString& receipt = line.receiptNumber;
        if (text::trimmed(receipt).isEmpty())
            continue;
        const Holders entry = holders.value(record::receiptNumberField(receipt));
        const int repeatedInRow = entry.second == 0 ? 0 : (row == entry.first ? entry.second : entry.first);
        const bool invalidCuit = !cuit::textIsValid(line.supplierCuit);
        const bool dateOutOfPeriod = period && !dateIsInPeriod(line.date, *period);
        const std::vector<int>* declaredIn = nullptr;
        if (!elsewhere.declaredIn.isEmpty()) {
            const auto found =
                elsewhere.declaredIn.constFind(otherdeclarations::receiptKey(line.supplierCuit, receipt));
            if (found != elsewhere.declaredIn.constEnd())
                declaredIn = &found.value();
        }
        if (!invalidCuit && repeatedInRow == 0 && !dateOutOfPeriod && !declaredIn)
            continue;
        if (out.listed.size() < size_t(MaxListed)) {
            Observation observation{row, receipt, line.supplierCuit, invalidCuit, repeatedInRow, dateOutOfPeriod, {}};
            if (declaredIn) {
                for (const int index : *declaredIn)
                    observation.declaredIn.push_back(named(elsewhere.files[size_t(index)]));
            }
            out.listed.push_back(std::move(observation));
        }
        ++out.count;
    }
    return out;
}

Observations observeReload(const Declaration& declaration, int firstReloadedRow, const QString& declarationFolder)
{
    const int lastRow = declaration.usedRows();
    bool linesBefore = false;
    for (int row = 1; row < firstReloadedRow && row <= lastRow && !linesBefore; ++row)
        linesBefore = !text::trimmed(declaration.line(row).receiptNumber).isEmpty();
    if (!linesBefore || firstReloadedRow > lastRow)
        return {};
    return observe(declaration, 1, lastRow, declarationFolder);
}

QString message(const Observations& observations, Scope scope)
{
    if (observations.count == 0 && !observations.unreadable.empty())
        return QStringLiteral("Atención no se pudieron leer %1 DDJJ de otros períodos del legajo: "
                              "sus comprobantes no fueron comparados !!!")
            .arg(observations.unreadable.size());
    if (scope == Scope::Grid)
        return QStringLiteral("Atención revise la grilla: %1 renglones con observaciones !!!").arg(observations.count);
    return QStringLiteral("Atención revise el archivo importado: %1 renglones con observaciones !!!")
        .arg(observations.count);
}

QString detail(const Observations& observations)
{
    QStringList rows;
    rows.reserve(qsizetype(observations.listed.size()) + 1);
    for (const Observation& observation : observations.listed)
        rows << describe(observation, observations.period);
    QString out = listedLines(rows, observations.count, QStringLiteral("... y %1 renglones más con observaciones"));
    QStringList passedOver;
    for (size_t i = 0; i < observations.unreadable.size(); ++i) {
        const DeclaredIn& file = observations.unreadable[i];
        passedOver << QStringLiteral("No se pudo leer la DDJJ %1 (%2), no fue comparada: %3")
                          .arg(file.fileName, file.period, observations.unreadableErrors.value(qsizetype(i)));
    }
    if (!passedOver.isEmpty()) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        out += passedOver.join(QLatin1Char('\n'));
    }
    return out;
}

}  // namespace importobservations
