#include "declaration/Certificates.h"

#include "core/Decimal.h"
#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/LineLoad.h"
#include "declaration/Record.h"

#include <QDir>
#include <QHash>

namespace certificates {

QString noDeclarationFileMessage(const QString& declarationPath)
{
    return QStringLiteral("Atención no existe la DDJJ %1 !!!").arg(QDir::toNativeSeparators(declarationPath));
}

QString noLinesMessage(const QString& declarationPath)
{
    return QStringLiteral("Atención la DDJJ %1 no tiene retenciones, no se generan constancias !!!")
        .arg(QDir::toNativeSeparators(declarationPath));
}

QString generatedMessage(int suppliers, const QString& folder)
{
    return QStringLiteral("Constancias generadas: %1 proveedores en %2")
        .arg(suppliers)
        .arg(QDir::toNativeSeparators(folder));
}

QString certificateNumber(const QString& legajoFive, const QString& year, const QString& month, int place)
{
    return legajoFive + QLatin1Char('-') + year + month + QLatin1Char('-')
        + QString::number(place).rightJustified(4, QLatin1Char('0'));
}

namespace {

bool digitsAt(const QString& text, qsizetype from, qsizetype count)
{
    for (qsizetype i = from; i < from + count; ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return false;
    }
    return true;
}

Error notACuit(const QString& cuitText)
{
    return Error(QStringLiteral("El CUIT del proveedor \"%1\" no es un CUIT (NN-NNNNNNNN-N): no se genera ninguna "
                                "constancia")
                     .arg(cuitText));
}

// The lines of one supplier as they are gathered.
struct Gathered
{
    std::vector<Supplier> suppliers;
    QHash<QString, size_t> places;  // CUIT -> index in suppliers
};

void addLine(Gathered& gathered, const QString& line)
{
    const record::RecordView view = record::readRecord(line);
    const QString receiptAmount = record::RecordView::amountText(view.receiptField);
    const QString withheldAmount = record::RecordView::amountText(view.withheldField);
    // The amounts first, as the re-load reads them: a blank or broken amount
    // field gives the reader's own conversion message.
    const qint64 receiptCents = text::toCents(receiptAmount);
    const qint64 withheldCents = text::toCents(withheldAmount);
    const QString cuitText = text::trimmed(view.supplierCuit);
    const QString cuit = normalizedCuit(cuitText);
    if (cuit.isEmpty())
        throw notACuit(cuitText);

    auto found = gathered.places.constFind(cuit);
    if (found == gathered.places.constEnd()) {
        found = gathered.places.insert(cuit, gathered.suppliers.size());
        Supplier& supplier = gathered.suppliers.emplace_back();
        supplier.cuit = cuit;
        supplier.name = text::trimmed(view.supplierName);
    }
    Supplier& supplier = gathered.suppliers[*found];
    const std::optional<qint64> total = decimal::exactSum(supplier.totalCents, withheldCents);
    if (!total)
        throw Error(QStringLiteral("El total retenido al proveedor %1 no tiene cabida: no se genera ninguna constancia")
                        .arg(cuit));
    supplier.totalCents = *total;
    supplier.lines.push_back(Line{text::trimmed(view.receiptNumber), text::trimmed(view.dateText()),
        text::formatFixed2Cents(receiptCents), text::formatFixed2Cents(withheldCents)});
}

}  // namespace

QString normalizedCuit(const QString& cuitText)
{
    if (cuitText.size() == 13 && digitsAt(cuitText, 0, 2) && cuitText.at(2) == QLatin1Char('-')
        && digitsAt(cuitText, 3, 8) && cuitText.at(11) == QLatin1Char('-') && digitsAt(cuitText, 12, 1))
        return cuitText;
    if (cuitText.size() == 11 && digitsAt(cuitText, 0, 11))
        return cuitText.left(2) + QLatin1Char('-') + cuitText.mid(2, 8) + QLatin1Char('-') + cuitText.right(1);
    return QString();
}

QString declarationPath(const QString& directory, const Period& period)
{
    return directory + record::declarationFileName(period.month, period.year, period.legajo);
}

Declaration readDeclaration(const QString& path, const Period& period)
{
    Declaration declaration;
    declaration.legajo = record::legajoFive(period.legajo);
    declaration.year = text::trimmed(period.year);
    declaration.month = record::monthTwoDigits(period.month);
    Gathered gathered;
    lineload::readRecordLines(path, lineload::DeclarantFields::Read, [&](const QString& line, qint64 lineNumber) {
        addLine(gathered, line);
        if (lineNumber == 1) {
            const record::DeclarantView declarant = record::readDeclarant(line);
            declaration.agentCuit = text::trimmed(declarant.cuit);
            declaration.agentName = text::trimmed(declarant.name);
        }
        ++declaration.lineCount;
    });
    declaration.suppliers = std::move(gathered.suppliers);
    for (size_t i = 0; i < declaration.suppliers.size(); ++i) {
        declaration.suppliers[i].number =
            certificateNumber(declaration.legajo, declaration.year, declaration.month, int(i) + 1);
    }
    return declaration;
}

}  // namespace certificates
