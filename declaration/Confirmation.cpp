#include "declaration/Confirmation.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/DeclarationFile.h"
#include "declaration/HeaderRules.h"
#include "declaration/Record.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"

#include <QSaveFile>
#include <QStringList>
#include <functional>
#include <vector>

namespace {

// A pasted text can be very long; the box shows its beginning.
constexpr qsizetype ShownValueLength = 80;

QString formatLineDoesNotFit(int gridRow, const record::FieldProblem& problem)
{
    const QString shown = problem.value.size() > ShownValueLength
                              ? problem.value.left(ShownValueLength) + QStringLiteral("...")
                              : problem.value;
    return Confirmation::LineDoesNotFitMessage.arg(gridRow).arg(problem.field, shown);
}

// The header as the header's own checks read it: the same messages, and the
// same conversion error for a month or year that is no integer. A month below
// 1 (which only a pasted text can bring) is refused as well, since it would
// give no month code.
std::optional<QString> headerProblem(const DeclarationHeader& header, const Confirmation::AgentLookup& agentExists)
{
    const std::optional<qint32> month = headerrules::acceptedMonth(header.month);
    if (!month || *month < 1)
        return headerrules::MonthMessage;
    if (!headerrules::acceptedYear(header.year))
        return headerrules::YearMessage;
    const QString legajo = text::trimmed(header.legajo);
    if (legajo.isEmpty() || !agentExists || !agentExists(legajo))
        return headerrules::LegajoMessage;
    return std::nullopt;
}

// The directory with its separator, the base name and the two file paths.
ConfirmedDeclaration declarationPaths(const QString& programDirectory, const DeclarationHeader& header)
{
    ConfirmedDeclaration result;
    result.directory = programDirectory;
    if (!result.directory.isEmpty() && !result.directory.endsWith(QLatin1Char('/'))
        && !result.directory.endsWith(QLatin1Char('\\')))
        result.directory += QLatin1Char('/');
    result.baseName = record::baseName(header.month, header.year, header.legajo);
    result.declarationPath = result.directory + result.baseName + QStringLiteral(".txt");
    result.reportPath = result.directory + result.baseName + QStringLiteral(".pdf");
    return result;
}

struct DeclaredLine {
    QString record;
    StoredLine stored;
};

record::RecordInput recordInput(const DeclarationHeader& header, const QString& monthTwoDigits,
                                const WithholdingGrid::Line& cells)
{
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
    return input;
}

StoredLine storedLine(const WithholdingGrid::Line& cells, const QString& period)
{
    StoredLine stored;
    stored.receiptNumber = text::trimmed(cells[1]);
    stored.date = text::trimmed(cells[2]);
    stored.withholdingCents = text::toCents(text::trimmed(cells[4]));
    stored.supplierName = text::trimmed(cells[5]);
    stored.supplierCuit = text::trimmed(cells[6]);
    stored.period = period;
    return stored;
}

// The record and the stored line of every grid line, gaps passed over; nothing
// when a line has no room in its record (its information box was shown).
std::optional<std::vector<DeclaredLine>> declaredLines(const DeclarationHeader& header, const WithholdingGrid& grid,
                                                       const Confirmation::Prompts& prompts)
{
    const QString monthTwoDigits = record::monthTwoDigits(header.month);
    const QString period = text::trimmed(header.month) + QLatin1Char('/') + text::trimmed(header.year);
    std::vector<DeclaredLine> lines;
    for (int row = 1; row <= grid.usedRows(); ++row) {
        const WithholdingGrid::Line& cells = grid.line(row);
        if (text::trimmed(cells[1]).isEmpty())
            continue; // a gap left by a deletion
        const record::RecordInput input = recordInput(header, monthTwoDigits, cells);
        if (const std::optional<record::FieldProblem> problem = record::doesNotFit(input)) {
            prompts.inform(formatLineDoesNotFit(row, *problem));
            return std::nullopt;
        }
        DeclaredLine line;
        line.record = record::declarationRecord(input);
        line.stored = storedLine(cells, period);
        lines.push_back(std::move(line));
    }
    return lines;
}

QByteArray fileContent(const std::vector<DeclaredLine>& lines)
{
    QStringList records;
    records.reserve(qsizetype(lines.size()));
    for (const DeclaredLine& line : lines)
        records << line.record;
    return declarationfile::encode(records);
}

const QString FileErrorMessage = QStringLiteral("No se puede crear el archivo \"%1\": %2");

Error fileError(const QString& path, const QSaveFile& file)
{
    return Error(FileErrorMessage.arg(path, file.errorString()));
}

// Writes the whole content to the temporary file that `file` stands for.
// Unbuffered, so that a write that fails reports the system's reason; written
// out here, so that a full disk shows before the store changes and not only
// when the file is put in place. A short write is followed by another one,
// whose refusal carries the system's reason. On failure the temporary file
// is removed and the error thrown.
void writeTemporaryFile(QSaveFile& file, const QString& path, const QByteArray& content)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw fileError(path, file);
    qint64 written = 0;
    while (written < content.size()) {
        const qint64 count = file.write(content.constData() + written, content.size() - written);
        if (count <= 0)
            break;
        written += count;
    }
    if (written != content.size() || !file.flush()) {
        const Error error = fileError(path, file);
        file.cancelWriting();
        throw error;
    }
}

// Deletes the stored lines, inserts the declared ones and commits (retaining).
// A store error rolls back what this declaration did, so that the store keeps
// the declaration committed before, removes the temporary file and is thrown.
void replaceStoredLines(WithholdingStore& store, const std::vector<DeclaredLine>& lines, QSaveFile& file,
                        const std::function<void(const char*)>& stepDone)
{
    try {
        store.deleteLines();
        stepDone("delete");
        for (const DeclaredLine& line : lines)
            store.storeLine(line.stored);
        stepDone("insert");
        store.commit();
        stepDone("commit");
    } catch (const Error&) {
        file.cancelWriting();
        try {
            store.rollback();
        } catch (const Error&) {
            // The first error is the one the user must see; a connection that
            // failed has nothing left to roll back.
        }
        throw;
    }
}

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

    ConfirmedDeclaration result = declarationPaths(m_directory, header);
    const std::optional<std::vector<DeclaredLine>> lines = declaredLines(header, grid, prompts);
    if (!lines)
        return std::nullopt;
    result.lineCount = int(lines->size());
    stepDone("checks");

    // QSaveFile writes beside the declaration file under a temporary name and
    // puts it in place with one rename in commit(); a file that is never
    // committed is removed, and the earlier declaration file stays.
    const QByteArray content = fileContent(*lines);
    QSaveFile file(result.declarationPath);
    writeTemporaryFile(file, result.declarationPath, content);
    stepDone("file");

    replaceStoredLines(m_store, *lines, file, [this](const char* step) { stepDone(step); });

    // The store already holds the new declaration here: a rename that fails
    // now is reported, and the earlier declaration file stays as it was.
    if (!file.commit())
        throw fileError(result.declarationPath, file);
    stepDone("rename");

    if (m_reportExport) {
        StoreDataSet storedLines(m_store.openLines());
        result.reportWritten = m_reportExport(storedLines, result.reportPath);
        stepDone("report");
    }
    return result;
}

namespace {

// %1 the program's directory, %2 the base name, both trimmed.
const QString BothFilesWrittenMessage =
    QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  %1 CON EL NOMBRE :%2");
const QString DeclarationFileWrittenMessage = QStringLiteral("SU ARCHIVO TXT FUE GENERADO EN  %1 CON EL NOMBRE :%2");

} // namespace

QString statusLineText(const ConfirmedDeclaration& declaration)
{
    const QString& message = declaration.reportWritten ? BothFilesWrittenMessage : DeclarationFileWrittenMessage;
    return message.arg(text::trimmed(declaration.directory), text::trimmed(declaration.baseName));
}
