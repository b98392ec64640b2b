#pragma once

#include "declaration/Store.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// A CONFIRMA that changes the store is announced first in a small journal
// file beside the declaration files, ".confirma-pendiente". It names the
// synced temporary file that holds the new declaration, the final names and
// what the control report needs, and carries a digest of the lines to be
// stored. The journal goes once the declaration file and the control report
// are in place. A journal found at start-up means CONFIRMA was interrupted:
// the store's committed lines tell whether the new declaration reached the
// table, and the files are made to agree with it.
struct PendingConfirmation
{
    static inline const QString JournalName = QStringLiteral(".confirma-pendiente");

    QString temporaryName;    // 26300332.txt.AbC123, in the program's directory
    QString declarationName;  // 26300332.txt
    QString reportName;       // 26300332.pdf
    QString period;           // PERIODO of the stored lines: 3/2026
    QString periodo;          // the report's period caption
    QString total;            // the report's total caption; empty: no report to write
    int lineCount = 0;
    QByteArray linesDigest;    // storedLinesDigest() of the lines to be stored
    QByteArray contentDigest;  // SHA-256 of the new declaration file's bytes

    QByteArray encode() const;
    // Nothing for a journal that is not whole.
    static std::optional<PendingConfirmation> decode(const QByteArray& bytes);
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
// report's writer and the journal leave while they write:
// 26300332.txt.XXXXXX, 26300332.pdf.XXXXXX, .confirma-pendiente.XXXXXX.
bool isTemporaryName(const QString& fileName);

// The steps of a recovery, told to an observer as each ends: "decided",
// "declaration", "report", "journal", "leftovers".
using RecoveryObserver = std::function<void(const char* step)>;

enum class RecoveryOutcome {
    NothingPending,  // no journal: leftovers removed only
    RolledBack,      // the store never committed the new declaration: its temporary file removed
    RolledForward,   // committed: the declaration file and the control report put in place
    Failed,          // the journal stays for the next start; see `error`
};

struct RecoveryResult
{
    RecoveryOutcome outcome = RecoveryOutcome::NothingPending;
    QString error;
    QStringList removedLeftovers;
};

// What a start of the program does before the window takes input: finishes
// or undoes an interrupted CONFIRMA, then removes any temporary file of ours
// left in the program's directory. Opens the database only when a journal is
// there. Repeatable: interrupted itself at any point, the next run reaches
// the same end. Never throws; a store or file error leaves the journal (and
// the temporary file it names) for the next start.
RecoveryResult recover(
    const QString& programDirectory, const QString& databaseName, const RecoveryObserver& observer = {});

}  // namespace pending
