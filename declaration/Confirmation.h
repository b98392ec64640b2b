#pragma once

#include "declaration/Declaration.h"
#include "report/DataSet.h"

#include <QString>
#include <functional>
#include <optional>

class ReportProgress;
class WithholdingStore;

// Where a confirmed declaration was written.
struct ConfirmedDeclaration
{
    QString directory;        // the program's directory, with its separator
    QString baseName;         // 26300332
    QString declarationPath;  // directory + base name + ".txt"
    QString reportPath;       // directory + base name + ".pdf"
    bool reportWritten = false;
    int lineCount = 0;
};

// CONFIRMA without the window: turns a Declaration (its header, lines, total
// and re-loaded file) into the declaration file, the stored lines of the
// withholdings store and the control report.
//
// Nothing changes anywhere before the user says Yes, and nothing is left
// half-written: the header and every line are checked first; a declaration
// file this window did not re-load is replaced only when the user says so;
// the records go to a temporary file beside the declaration file, synced;
// a journal (PendingConfirmation) names it before the store changes; the
// store's rows are replaced in one transaction, committed (retaining); only
// then the temporary file takes the declaration file's name, the control
// report is written and the journal removed, the folder synced after each.
// A declaration file (or report) that is a symbolic link is written through
// it; one the user may not write is not replaced. A failure before the
// commit rolls the transaction back (the store keeps the declaration
// committed before), removes the temporary file and the journal and leaves
// an earlier declaration file as it was. A report that fails after the
// commit leaves no earlier report under the declaration's name and keeps
// the journal, so that the next start writes it. Every error thrown after
// the checks says first what became of the declaration (the messages
// below), with the failure's own text as its detail; a conversion error
// keeps its own text. A program killed on the way leaves the journal, and
// the next start (pending::recover) completes or undoes the declaration.
class Confirmation
{
public:
    // Asked before anything changes; only Yes goes on.
    static inline const QString Question = QStringLiteral("Confirma Generar Archivo con Caracter de DDJJ ?");
    // A line that has no room in its record: %1 the grid line, %2 the field,
    // %3 the field's text (a longer one cut to 80 characters and "..."). The
    // header's messages are in HeaderRules.h.
    static inline const QString LineDoesNotFitMessage =
        QStringLiteral("Atención el renglón %1 no entra en el registro de la DDJJ: %2 \"%3\" !!!");

    // Shown when the user cancelled the export of the control report.
    static inline const QString ReportNotGeneratedMessage =
        QStringLiteral("Atención el Reporte de control (PDF) no fue generado: exportación cancelada !!!");

    // Asked after the checks when the period's declaration file exists and is
    // not the one this window re-loaded: %1 its name, %2 its lines.
    static inline const QString ReplaceQuestion =
        QStringLiteral("Atención ya existe la DDJJ %1 con %2 renglones y será reemplazada. Continúa ?");

    // The first sentence of every error CONFIRMA throws after its checks
    // (the failure's own text follows as the error's detail): what became of
    // the declaration. %1 the declaration file's path.
    static inline const QString NothingChangedMessage = QStringLiteral(
        "No se grabó la DDJJ: el archivo de la DDJJ, la base de datos y el reporte quedaron como estaban.");
    static inline const QString StoredNotFiledMessage = QStringLiteral(
        "La DDJJ quedó grabada en la base de datos pero no en el archivo %1; el programa lo completará al volver a "
        "iniciarse.");
    static inline const QString ReportNotWrittenMessage = QStringLiteral(
        "La DDJJ quedó grabada en el archivo %1 y en la base de datos, pero el reporte de control (PDF) no se "
        "generó; el programa lo generará al volver a iniciarse.");
    static inline const QString AllWrittenMessage = QStringLiteral(
        "La DDJJ quedó grabada en el archivo %1, en la base de datos y en el reporte, pero no se pudo cerrar la "
        "confirmación.");

    // The boxes the window shows: a Yes/No question (true for Yes only) with
    // Yes as its default button, an information box, and a Yes/No question
    // with No as its default button for replacing a declaration file (when
    // not given, `confirm` asks that one too).
    struct Prompts
    {
        std::function<bool(const QString& question)> confirm;
        std::function<void(const QString& message)> inform;
        std::function<bool(const QString& question)> confirmDefaultNo;
    };
    // True when the legajo (trimmed) stands in the agent registry.
    using AgentLookup = std::function<bool(const QString& legajo)>;
    // A control report of its own, in place of the program's: receives the
    // stored lines, open and in stored order, and the path of the PDF file to
    // write; returns whether the file was written (false when the user
    // cancelled the export). Runs after the store is committed and the
    // declaration file is in place.
    using ReportExport = std::function<bool(DataSet& storedLines, const QString& pdfPath)>;
    // Told the name of each step as it ends: "checks", "file", "journal",
    // "delete", "insert", "commit", "rename", "report", "done".
    using StepObserver = std::function<void(const char* step)>;

    Confirmation(WithholdingStore& store, const QString& programDirectory, AgentLookup agentExists);

    // The program's control report with the declaration's period and total:
    // `progress` (may be null) is the progress window with its cancel button,
    // `exportEnded` (may be empty) runs once the export is over, before a
    // cancelled export is told with ReportNotGeneratedMessage. Without this
    // call or setReportExport, CONFIRMA writes no report.
    void setControlReport(ReportProgress* progress, std::function<void()> exportEnded = {});
    void setReportExport(ReportExport reportExport) { m_reportExport = std::move(reportExport); }
    void setStepObserver(StepObserver observer) { m_stepObserver = std::move(observer); }

    // Runs CONFIRMA on `declaration`. Its re-loaded declaration file, if any,
    // is replaced without asking while its bytes are still the ones read; its
    // total closes the control report and stays in the journal for a start
    // that has to write the report again. Nothing when the answer is not Yes
    // or a check refused the declaration (its information box was shown);
    // throws Error (or ConversionError for a month or year that is no
    // integer) when a step fails.
    std::optional<ConfirmedDeclaration> run(const Declaration& declaration, const Prompts& prompts);

private:
    void stepDone(const char* step) const;
    ReportExport chosenReportExport(const QString& periodo, const QString& total, const Prompts& prompts) const;

    WithholdingStore& m_store;
    QString m_directory;
    AgentLookup m_agentExists;
    ReportExport m_reportExport;
    bool m_controlReport = false;
    ReportProgress* m_progress = nullptr;
    std::function<void()> m_exportEnded;
    StepObserver m_stepObserver;
};

// The text of the status line `salida` after a confirmation. It names the PDF
// only when the control report was written.
QString statusLineText(const ConfirmedDeclaration& declaration);
