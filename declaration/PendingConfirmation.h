#pragma once

#include "declaration/Store.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A CONFIRMA that changes the store is announced first in a small journal
// file beside the declaration files, ".confirma-pendiente". It records the
// folder it lies in, names the synced temporary file that holds the new
// declaration, the final names and what the control report needs, carries a
// digest of the lines to be stored and, last, a checksum of everything
// before it. The journal goes once the declaration file and the control
// report are in place. A journal found at start-up means CONFIRMA was
// interrupted: the store's committed lines tell whether the new declaration
// reached the table, and the files are made to agree with it. A journal that
// does not check, or names anything but the temporary file of its own
// declaration in its own folder, is never acted on.
struct PendingConfirmation
{
    static inline const QString JournalName = QStringLiteral(".confirma-pendiente");

    QString folder;           // the folder the journal lies in, absolute, without a trailing separator
    QString temporaryName;    // .~retenciones.26300332.txt.AbC123, beside the declaration file it becomes
    QString declarationName;  // 26300332.txt, in `folder` (or a link there)
    QString reportName;       // 26300332.pdf
    QString period;           // PERIODO of the stored lines: 3/2026
    QString periodo;          // the report's period caption
    QString total;            // the report's total caption; empty: no report to write
    int lineCount = 0;
    QByteArray linesDigest;    // storedLinesDigest() of the lines to be stored
    QByteArray contentDigest;  // SHA-256 of the new declaration file's bytes

    QByteArray encode() const;
    // Nothing for a journal that is not whole or whose checksum does not agree.
    static std::optional<PendingConfirmation> decode(const QByteArray& bytes);
    // Why this journal may not be acted on in `directory`, or nothing when
    // it may: it must lie in the folder it records, name a declaration file
    // and its report by the file-name rule, and name as temporary file only
    // one of that declaration file, beside the file the declaration name
    // leads to.
    std::optional<QString> problemIn(const QString& directory) const;
};

// SHA-256 over the lines as RETEN holds them, in order, texts trimmed.
QByteArray storedLinesDigest(const std::vector<StoredLine>& lines);

namespace pending {

// Writes the journal under a temporary name, syncs it and renames it into
// place, then syncs the folder: a journal is there whole or not at all.
// Throws Error when it cannot be written.
void writeJournal(const QString& directory, const PendingConfirmation& journal);
// Removes the journal and syncs the folder.
void removeJournal(const QString& directory);

// Whether a file name is one of the temporary files CONFIRMA, the control
// report's writer and the journal leave while they write: the temporary form
// of a declaration file, of a control report or of the journal
// (".~retenciones.26300332.txt.AbC123", ".~retenciones..confirma-pendiente.Qw12Er").
bool isTemporaryName(const QString& fileName);

// The steps of a recovery, told to an observer as each ends: "decided",
// "declaration", "report", "journal", "leftovers".
using RecoveryObserver = std::function<void(const char* step)>;

enum class RecoveryOutcome {
    NothingPending,  // no journal: leftovers removed only
    RolledBack,      // the store never committed the new declaration: its temporary file removed
    RolledForward,   // committed: the declaration file and the control report put in place
    Failed,          // the journal stays for the next start; see `error`
    Kept,            // a journal that cannot be trusted: nothing acted on, nothing deleted; see `keptFiles`
};

struct RecoveryResult
{
    RecoveryOutcome outcome = RecoveryOutcome::NothingPending;
    QString error;
    QStringList removedLeftovers;
    // Kept: the untrusted journal and the temporary files beside it, under
    // the names they now have (plain names the start-up never removes).
    QStringList keptFiles;
};

// The name under which a file that a damaged journal might concern is kept:
// "26300332.conservado-AbC123.txt" for ".~retenciones.26300332.txt.AbC123",
// "confirma-pendiente.conservado-STAMP" for the journal itself.
QString keptName(const QString& fileName, const QString& stamp);

// What a start of the program does before the window takes input: finishes
// or undoes an interrupted CONFIRMA, then removes any temporary file of ours
// left in the program's directory. Opens the database only when a journal is
// there. A journal that does not check (cut, emptied, changed) or that names
// anything but its own declaration's temporary file in its own folder is
// not acted on: it and every temporary file beside it are kept under plain
// names, and the result says which (Kept). Repeatable: interrupted itself at any point, the next run reaches
// the same end. Never throws; a store or file error leaves the journal (and
// the temporary file it names) for the next start.
RecoveryResult recover(
    const QString& programDirectory, const QString& databaseName, const RecoveryObserver& observer = {});

}  // namespace pending
