#include "declaration/Confirmation.h"

#include "declaration/DeclarationFile.h"
#include "core/Error.h"
#include "declaration/HeaderRules.h"
#include "declaration/Record.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"
#include "core/TextRules.h"

#include <QSaveFile>
#include <QStringList>
#include <vector>

const QString Confirmation::Question = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");

namespace confirmationmessage {

QString lineDoesNotFit(int gridRow, const QString& field, const QString& value)
{
    // A pasted text can be very long; the box shows its beginning.
    constexpr qsizetype Shown = 80;
    const QString shown = value.size() > Shown ? value.left(Shown) + QStringLiteral("...") : value;
    return QStringLiteral("Atención el renglón %1 no entra en el registro de la DDJJ: %2 \"%3\" !!!")
        .arg(gridRow)
        .arg(field, shown);
}

} // namespace confirmationmessage

namespace {

// The header as the header's own checks read it: the same messages, and the
// same conversion error for a month or year that is no integer. A month below
// 1 (which only a pasted text can bring) is refused as well, since it would
// give no month code.
std::optional<QString> headerProblem(const DeclarationHeader& header, const Confirmation::AgentLookup& agentExists)
{
    const std::optional<qint32> month = headerrules::acceptedMonth(header.month);
    if (!month || *month < 1)
        return headerrules::MonthMessage;
    if (!headerrules::yearAccepted(header.year))
        return headerrules::YearMessage;
    const QString legajo = text::trimmed(header.legajo);
    if (legajo.isEmpty() || !agentExists || !agentExists(legajo))
        return headerrules::LegajoMessage;
    return std::nullopt;
}

struct DeclaredLine {
    int gridRow = 0;
    QString record;
    StoredLine stored;
};

} // namespace

Confirmation::Confirmation(WithholdingStore& store, const QString& programDirectory, AgentLookup agentExists)
    : m_store(store)
    , m_directory(programDirectory)
    , m_agentExists(std::move(agentExists))
{
}

void Confirmation::stepDone(const char* step) const
{
    if (m_stepObserver)
        m_stepObserver(step);
}

std::optional<ConfirmedDeclaration> Confirmation::run(const DeclarationHeader& header, const WithholdingGrid& grid,
                                                      const Prompts& prompts)
{
    if (!prompts.confirm(Question))
        return std::nullopt;

    if (const std::optional<QString> problem = headerProblem(header, m_agentExists)) {
        prompts.inform(*problem);
        return std::nullopt;
    }

    ConfirmedDeclaration result;
    result.directory = m_directory;
    if (!result.directory.isEmpty() && !result.directory.endsWith(QLatin1Char('/'))
        && !result.directory.endsWith(QLatin1Char('\\')))
        result.directory += QLatin1Char('/');
    result.baseName = record::baseName(header.month, header.year, header.legajo);
    result.declarationPath = result.directory + result.baseName + QStringLiteral(".txt");
    result.reportPath = result.directory + result.baseName + QStringLiteral(".pdf");

    const QString monthTwoDigits = record::monthTwoDigits(header.month);
    const QString period = text::trimmed(header.month) + QLatin1Char('/') + text::trimmed(header.year);
    std::vector<DeclaredLine> lines;
    for (int row = 1; row <= grid.usedRows(); ++row) {
        const WithholdingGrid::Line& cells = grid.line(row);
        if (text::trimmed(cells[1]).isEmpty())
            continue; // a gap left by a deletion
        record::RecordInput input;
        input.supplierCuit = cells[6];
        input.year = header.year;
        input.monthTwoDigits = monthTwoDigits;
        input.date = cells[2];
        input.withholding = cells[4];
        input.receiptNumber = cells[1];
        input.supplierName = cells[5];
        input.declarantCuit = header.declarantCuit;
        input.declarantName = header.declarantName;
        input.receiptAmount = cells[3];
        if (const auto problem = record::doesNotFit(input)) {
            prompts.inform(confirmationmessage::lineDoesNotFit(row, problem->field, problem->value));
            return std::nullopt;
        }
        DeclaredLine line;
        line.gridRow = row;
        line.record = record::declarationRecord(input);
        line.stored.receiptNumber = text::trimmed(cells[1]);
        line.stored.date = text::trimmed(cells[2]);
        line.stored.withholdingCents = text::toCents(text::trimmed(cells[4]));
        line.stored.supplierName = text::trimmed(cells[5]);
        line.stored.supplierCuit = text::trimmed(cells[6]);
        line.stored.period = period;
        lines.push_back(std::move(line));
    }
    result.lineCount = int(lines.size());
    stepDone("checks");

    QStringList records;
    records.reserve(qsizetype(lines.size()));
    for (const DeclaredLine& line : lines)
        records << line.record;
    const QByteArray content = declarationfile::encode(records);

    // QSaveFile writes beside the declaration file under a temporary name and
    // puts it in place with one rename in commit(); a file that is never
    // committed is removed, and the earlier declaration file stays.
    QSaveFile file(result.declarationPath);
    auto fileError = [&] {
        return Error(QStringLiteral("No se puede crear el archivo \"%1\": %2")
                         .arg(result.declarationPath, file.errorString()));
    };
    // Unbuffered, so that a write that fails reports the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw fileError();
    // Written out here, so that a full disk shows before the store changes
    // and not only when the file is put in place. A short write is followed
    // by another one, whose refusal carries the system's reason.
    qint64 written = 0;
    while (written < content.size()) {
        const qint64 count = file.write(content.constData() + written, content.size() - written);
        if (count <= 0)
            break;
        written += count;
    }
    if (written != content.size() || !file.flush()) {
        const Error error = fileError();
        file.cancelWriting();
        throw error;
    }
    stepDone("file");

    try {
        m_store.deleteLines();
        stepDone("delete");
        for (const DeclaredLine& line : lines)
            m_store.storeLine(line.stored);
        stepDone("insert");
        m_store.commit();
        stepDone("commit");
    } catch (const Error&) {
        file.cancelWriting();
        try {
            m_store.rollback();
        } catch (const Error&) {
            // The first error is the one the user must see; a connection that
            // failed has nothing left to roll back.
        }
        throw;
    }

    // The store already holds the new declaration here: a rename that fails
    // now is reported, and the earlier declaration file stays as it was.
    if (!file.commit())
        throw fileError();
    stepDone("rename");

    if (m_reportExport) {
        StoreDataSet storedLines(m_store.openLines());
        result.reportWritten = m_reportExport(storedLines, result.reportPath);
        stepDone("report");
    }
    return result;
}

QString statusLineText(const ConfirmedDeclaration& declaration)
{
    const QString where = text::trimmed(declaration.directory) + QStringLiteral(" CON EL NOMBRE :")
                          + text::trimmed(declaration.baseName);
    if (declaration.reportWritten)
        return QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  ") + where;
    return QStringLiteral("SU ARCHIVO TXT FUE GENERADO EN  ") + where;
}
