#include "declaration/Confirmation.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/TextRules.h"
#include "declaration/ControlReport.h"
#include "declaration/DeclarationFile.h"
#include "declaration/DurableFile.h"
#include "declaration/HeaderRules.h"
#include "declaration/PendingConfirmation.h"
#include "declaration/Record.h"
#include "declaration/Store.h"
#include "declaration/StoreDataSet.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <functional>
#include <vector>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// The error a user reads: one sentence that says what became of the
// declaration, then the failure's own text (and its detail) as the detail.
Error withOutcome(const QString& outcome, const Error& cause)
{
    Error error(outcome);
    QString detail = cause.message();
    if (!cause.detail().isEmpty())
        detail += QLatin1Char('\n') + cause.detail();
    error.setDetail(detail);
    return error;
}

// Runs `step`; an error it throws (other than a conversion error, whose text
// is shown as it stands) comes out under `outcome`.
template <typename Step>
auto withOutcomeOnError(const QString& outcome, Step&& step) -> decltype(step())
{
    try {
        return step();
    } catch (const ConversionError&) {
        throw;
    } catch (const Error& error) {
        throw withOutcome(outcome, error);
    }
}

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
    // The file is named after the year's third and fourth characters, so a
    // year the header takes as a number ("02020") must also have four.
    if (!headerrules::acceptedYear(header.year) || text::trimmed(header.year).size() != 4)
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

struct DeclaredLine
{
    QString record;
    StoredLine stored;
};

// The texts of the declaration that every line and the journal use, worked
// out once per CONFIRMA.
struct DeclarationTexts
{
    QString monthTwoDigits;  // 03
    QString period;          // 3/2026
    QString periodo;         // the control report's period caption
    QString total;           // the running total, 13
};

DeclarationTexts declarationTexts(const Declaration& declaration)
{
    DeclarationTexts texts;
    texts.monthTwoDigits = record::monthTwoDigits(declaration.header().month);
    texts.period = declaration.period();
    texts.periodo = declaration.periodoCaption();
    texts.total = declaration.totalText();
    return texts;
}

record::RecordInput recordInput(
    const DeclarationHeader& header, const QString& monthTwoDigits, const WithholdingLine& line)
{
    record::RecordInput input;
    input.supplierCuit = line.supplierCuit;
    input.year = header.year;
    input.monthTwoDigits = monthTwoDigits;
    input.date = line.date;
    input.withholding = line.withholding;
    input.receiptNumber = line.receiptNumber;
    input.supplierName = line.supplierName;
    input.declarantCuit = header.declarantCuit;
    input.declarantName = header.declarantName;
    input.receiptAmount = line.receiptAmount;
    return input;
}

StoredLine storedLine(const WithholdingLine& line, const QString& period)
{
    StoredLine stored;
    stored.receiptNumber = text::trimmed(line.receiptNumber);
    stored.date = text::trimmed(line.date);
    stored.withholdingCents = text::toCents(text::trimmed(line.withholding));
    stored.supplierName = text::trimmed(line.supplierName);
    stored.supplierCuit = text::trimmed(line.supplierCuit);
    stored.period = period;
    return stored;
}

// The record and the stored line of every line, gaps passed over; nothing
// when a line has no room in its record (its information box was shown).
std::optional<std::vector<DeclaredLine>> declaredLines(
    const Declaration& declaration, const DeclarationTexts& texts, const Confirmation::Prompts& prompts)
{
    std::vector<DeclaredLine> lines;
    for (int row = 1; row <= declaration.usedRows(); ++row) {
        const WithholdingLine& held = declaration.line(row);
        if (text::trimmed(held.receiptNumber).isEmpty())
            continue;  // a gap left by a deletion
        const record::RecordInput input = recordInput(declaration.header(), texts.monthTwoDigits, held);
        if (const std::optional<record::FieldProblem> problem = record::doesNotFit(input)) {
            prompts.inform(formatLineDoesNotFit(row, *problem));
            return std::nullopt;
        }
        DeclaredLine line;
        line.record = record::declarationRecord(input);
        line.stored = storedLine(held, texts.period);
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

// Deletes the stored lines, inserts the declared ones and commits (retaining).
// A store error rolls back what this declaration did, so that the store keeps
// the declaration committed before, runs `undo` (the temporary file and the
// journal go) and is thrown.
void replaceStoredLines(WithholdingStore& store, const std::vector<DeclaredLine>& lines,
    const std::function<void()>& undo, const std::function<void(const char*)>& stepDone)
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
        try {
            store.rollback();
        } catch (const Error&) {
            // The first error is the one the user must see; a connection that
            // failed has nothing left to roll back.
        }
        undo();
        throw;
    }
}

// The question to ask before replacing the period's declaration file, or
// nothing when there is none or it is, byte for byte, the one re-loaded.
std::optional<QString> replaceQuestion(const QString& path, const std::optional<LoadedDeclarationFile>& reloaded)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return std::nullopt;
    if (reloaded && QDir::cleanPath(reloaded->path) == QDir::cleanPath(path)
        && declarationfile::digest(path) == reloaded->sha256)
        return std::nullopt;
    declarationfile::LineReader reader(path);
    reader.open();
    int lineCount = 0;
    QString line;
    while (reader.next(line))
        ++lineCount;
    // Through a link, the file that is replaced is the one the link leads to.
    const QString shown = info.isSymLink() ? filenames::realFilePath(path) : info.fileName();
    return Confirmation::ReplaceQuestion.arg(shown).arg(lineCount);
}

// What a start after a kill needs to finish or undo this CONFIRMA.
PendingConfirmation journalFor(const ConfirmedDeclaration& result, const DeclarationTexts& texts,
    const std::vector<DeclaredLine>& lines, const QString& temporaryPath, const QByteArray& content,
    const QString& totalCaption)
{
    PendingConfirmation journal;
    journal.folder = QDir::cleanPath(QFileInfo(result.directory).absoluteFilePath());
    journal.temporaryName = QFileInfo(temporaryPath).fileName();
    journal.declarationName = QFileInfo(result.declarationPath).fileName();
    journal.reportName = QFileInfo(result.reportPath).fileName();
    journal.period = texts.period;
    journal.periodo = texts.periodo;
    journal.total = totalCaption;
    journal.lineCount = result.lineCount;
    std::vector<StoredLine> storedLines;
    storedLines.reserve(lines.size());
    for (const DeclaredLine& line : lines)
        storedLines.push_back(line.stored);
    journal.linesDigest = storedLinesDigest(storedLines);
    journal.contentDigest = QCryptographicHash::hash(content, QCryptographicHash::Sha256);
    return journal;
}

// A journal that cannot be written leaves no temporary file behind.
void writeJournal(const QString& directory, const PendingConfirmation& journal, const QString& temporaryPath)
{
    try {
        pending::writeJournal(directory, journal);
    } catch (const Error&) {
        durable::remove(temporaryPath);
        throw;
    }
}

// What a CONFIRMA that fails before the store's commit leaves: no temporary
// file, and no journal unless it cannot be removed (the next start then finds
// the store unchanged and removes it).
void undoTemporaryDeclaration(const QString& temporaryPath, const QString& directory)
{
    durable::remove(temporaryPath);
    try {
        pending::removeJournal(directory);
    } catch (const Error&) {
        // Left for the next start.
    }
}

// Exports the stored lines. A report that was not written leaves no earlier
// report under the new declaration's name. On an export error the journal
// stays, so that the next start writes the missing report; the error says
// that the declaration file and the store hold the new declaration.
void exportReport(WithholdingStore& store, const Confirmation::ReportExport& reportExport, ConfirmedDeclaration& result)
{
    const auto removeEarlierReport = [&] {
        const QString report = filenames::realFilePath(result.reportPath);
        if (!QFileInfo(report).isDir() && durable::remove(report)) {
            try {
                durable::syncDirectory(durable::directoryOf(report));
            } catch (const Error&) {
                // The export's own outcome is the one the user must see.
            }
        }
    };
    try {
        StoreDataSet storedLineSet(store.openLines());
        result.reportWritten = reportExport(storedLineSet, result.reportPath);
        if (!result.reportWritten)
            removeEarlierReport();
        durable::syncDirectory(result.directory);
    } catch (const Error& error) {
        removeEarlierReport();
        throw withOutcome(Confirmation::ReportNotWrittenMessage.arg(result.declarationPath), error);
    }
}

}  // namespace

Confirmation::Confirmation(WithholdingStore& store, const QString& programDirectory, AgentLookup agentExists)
    : m_store(store)
    , m_directory(programDirectory)
    , m_agentExists(std::move(agentExists))
{
}

void Confirmation::setControlReport(ReportProgress* progress, std::function<void()> exportEnded)
{
    m_controlReport = true;
    m_progress = progress;
    m_exportEnded = std::move(exportEnded);
}

void Confirmation::stepDone(const char* step) const
{
    if (m_stepObserver)
        m_stepObserver(step);
}

Confirmation::ReportExport Confirmation::chosenReportExport(
    const QString& periodo, const QString& total, const Prompts& prompts) const
{
    if (m_reportExport || !m_controlReport)
        return m_reportExport;
    // The program's own report. A cancelled export writes no PDF: the
    // declaration is committed all the same, and the user is told that the
    // report is missing.
    return [this, periodo, total, inform = prompts.inform](DataSet& storedLines, const QString& pdfPath) {
        const ExportOutcome outcome =
            controlreport::exportControlReport(storedLines, pdfPath, periodo, total, m_progress);
        if (m_exportEnded)
            m_exportEnded();
        if (outcome == ExportOutcome::Completed)
            return true;
        inform(ReportNotGeneratedMessage);
        return false;
    };
}

std::optional<ConfirmedDeclaration> Confirmation::run(const Declaration& declaration, const Prompts& prompts)
{
    if (!prompts.confirm(Question))
        return std::nullopt;

    const DeclarationHeader& header = declaration.header();
    if (const std::optional<QString> problem = headerProblem(header, m_agentExists)) {
        prompts.inform(*problem);
        return std::nullopt;
    }

    const DeclarationTexts texts = declarationTexts(declaration);
    ConfirmedDeclaration result = declarationPaths(m_directory, header);
    const std::optional<std::vector<DeclaredLine>> lines = declaredLines(declaration, texts, prompts);
    if (!lines)
        return std::nullopt;
    result.lineCount = int(lines->size());
    const std::optional<QString> question = withOutcomeOnError(
        NothingChangedMessage, [&] { return replaceQuestion(result.declarationPath, declaration.reloadedFile()); });
    // Enter alone must not replace a declaration file.
    const auto& ask = prompts.confirmDefaultNo ? prompts.confirmDefaultNo : prompts.confirm;
    if (question && !ask(*question))
        return std::nullopt;
    stepDone("checks");

    // A declaration file that is a link is written through it: the file it
    // leads to is replaced in its own folder, and the link stays.
    const QString declarationFile = filenames::realFilePath(result.declarationPath);
    // A file the agent made read-only is not replaced, although the folder
    // would let a rename do it.
    for (const QString& path : {declarationFile, filenames::realFilePath(result.reportPath)}) {
        const QByteArray name = QFile::encodeName(path);
        if (QFileInfo::exists(path) && !QFileInfo(path).isDir() && ::access(name.constData(), W_OK) != 0)
            throw withOutcome(NothingChangedMessage,
                Error(QStringLiteral("No se puede reemplazar el archivo \"%1\": %2")
                          .arg(path, QString::fromLocal8Bit(std::strerror(errno)))));
    }

    // The control report's total caption, kept for a start that has to write
    // the report again; none when there is no report to write. Worked out
    // before anything is written: a total that is no number stops here.
    const ReportExport reportExport = chosenReportExport(texts.periodo, texts.total, prompts);
    const QString totalCaption = reportExport ? controlreport::totalCaption(texts.total) : QString();

    // The new declaration lies whole and synced under a temporary name before
    // the journal names it, and the journal is on disk before the store
    // changes: a start after a kill finds either no trace of this CONFIRMA
    // or a journal with everything needed to finish or undo it.
    const QByteArray content = fileContent(*lines);
    const QString temporaryPath =
        withOutcomeOnError(NothingChangedMessage, [&] { return durable::writeTemporary(declarationFile, content); });
    stepDone("file");

    withOutcomeOnError(NothingChangedMessage, [&] {
        writeJournal(
            result.directory, journalFor(result, texts, *lines, temporaryPath, content, totalCaption), temporaryPath);
    });
    stepDone("journal");

    withOutcomeOnError(NothingChangedMessage, [&] {
        replaceStoredLines(
            m_store, *lines, [&] { undoTemporaryDeclaration(temporaryPath, result.directory); },
            [this](const char* step) { stepDone(step); });
    });

    // The store already holds the new declaration here: a rename that fails
    // now is reported and the journal stays, so that the next start puts the
    // declaration file in place.
    withOutcomeOnError(
        StoredNotFiledMessage.arg(result.declarationPath), [&] { durable::replace(temporaryPath, declarationFile); });
    stepDone("rename");

    // A report the user cancelled is the user's to export again; the journal
    // goes, the declaration being in place. A report that failed is written
    // by the next start.
    if (reportExport) {
        exportReport(m_store, reportExport, result);
        stepDone("report");
    }
    withOutcomeOnError(
        AllWrittenMessage.arg(result.declarationPath), [&] { pending::removeJournal(result.directory); });
    stepDone("done");
    return result;
}

namespace {

// %1 the program's directory, %2 the base name, both trimmed.
const QString BothFilesWrittenMessage =
    QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  %1 CON EL NOMBRE :%2");
const QString DeclarationFileWrittenMessage = QStringLiteral("SU ARCHIVO TXT FUE GENERADO EN  %1 CON EL NOMBRE :%2");

}  // namespace

QString statusLineText(const ConfirmedDeclaration& declaration)
{
    const QString& message = declaration.reportWritten ? BothFilesWrittenMessage : DeclarationFileWrittenMessage;
    return message.arg(text::trimmed(declaration.directory), text::trimmed(declaration.baseName));
}
