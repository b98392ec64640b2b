#include "declaration/PendingConfirmation.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/ControlReport.h"
#include "declaration/DeclarationFile.h"
#include "declaration/DurableFile.h"
#include "declaration/StoreDataSet.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QByteArray JournalHeading = QByteArrayLiteral("CONFIRMA-PENDIENTE 1");
const QByteArray JournalEnd = QByteArrayLiteral("FIN");

const QString ContentMismatch =
    QStringLiteral("El archivo \"%1\" no es la DDJJ confirmada y su archivo temporal no existe");

void addField(QByteArray& bytes, const char* key, const QString& value)
{
    bytes += key;
    bytes += '=';
    bytes += value.toUtf8().toPercentEncoding();
    bytes += '\n';
}

// A plain name inside the program's directory, nothing that reaches out of it.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && name != QLatin1String(".") && name != QLatin1String("..");
}

QString withSeparator(const QString& directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

void tell(const pending::RecoveryObserver& observer, const char* step)
{
    if (observer)
        observer(step);
}

QStringList removeLeftovers(const QString& directory, const QString& keep)
{
    QStringList removed;
    const QStringList names = QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name != keep && pending::isTemporaryName(name) && durable::remove(directory + name))
            removed << name;
    }
    if (!removed.isEmpty())
        durable::syncDirectory(directory);
    return removed;
}

}  // namespace

QByteArray PendingConfirmation::encode() const
{
    QByteArray bytes = JournalHeading + '\n';
    addField(bytes, "temporal", temporaryName);
    addField(bytes, "ddjj", declarationName);
    addField(bytes, "reporte", reportName);
    addField(bytes, "periodo", period);
    addField(bytes, "leyenda", periodo);
    addField(bytes, "total", total);
    addField(bytes, "renglones", QString::number(lineCount));
    addField(bytes, "renglones-sha256", QString::fromLatin1(linesDigest.toHex()));
    addField(bytes, "ddjj-sha256", QString::fromLatin1(contentDigest.toHex()));
    bytes += JournalEnd + '\n';
    return bytes;
}

std::optional<PendingConfirmation> PendingConfirmation::decode(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    // Heading, nine fields, end, and the empty text after the last line end.
    if (lines.size() != 12 || lines.first() != JournalHeading || lines.at(10) != JournalEnd || !lines.last().isEmpty())
        return std::nullopt;
    QHash<QByteArray, QString> fields;
    for (qsizetype i = 1; i < 10; ++i) {
        const qsizetype equals = lines.at(i).indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        const QByteArray value = QByteArray::fromPercentEncoding(lines.at(i).mid(equals + 1));
        fields.insert(lines.at(i).left(equals), QString::fromUtf8(value));
    }
    PendingConfirmation journal;
    journal.temporaryName = fields.value("temporal");
    journal.declarationName = fields.value("ddjj");
    journal.reportName = fields.value("reporte");
    journal.period = fields.value("periodo");
    journal.periodo = fields.value("leyenda");
    journal.total = fields.value("total");
    bool counted = false;
    journal.lineCount = fields.value("renglones").toInt(&counted);
    journal.linesDigest = QByteArray::fromHex(fields.value("renglones-sha256").toLatin1());
    journal.contentDigest = QByteArray::fromHex(fields.value("ddjj-sha256").toLatin1());
    if (!counted || !isPlainName(journal.temporaryName) || !isPlainName(journal.declarationName)
        || !isPlainName(journal.reportName) || journal.linesDigest.size() != 32 || journal.contentDigest.size() != 32)
        return std::nullopt;
    return journal;
}

QByteArray storedLinesDigest(const std::vector<StoredLine>& lines)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const StoredLine& line : lines) {
        const QStringList fields{text::trimmed(line.receiptNumber), text::trimmed(line.date),
            QString::number(line.withholdingCents), text::trimmed(line.supplierName), text::trimmed(line.supplierCuit),
            text::trimmed(line.period)};
        hash.addData(fields.join(QChar(0x1f)).toUtf8());
        hash.addData(QByteArrayView("\x1e", 1));
    }
    return hash.result();
}

namespace pending {

void writeJournal(const QString& directory, const PendingConfirmation& journal)
{
    const QString path = withSeparator(directory) + PendingConfirmation::JournalName;
    const QString temporary = durable::writeTemporary(path, journal.encode());
    try {
        durable::replace(temporary, path);
    } catch (const Error&) {
        durable::remove(temporary);
        throw;
    }
}

void removeJournal(const QString& directory)
{
    const QString path = withSeparator(directory) + PendingConfirmation::JournalName;
    durable::remove(path);
    durable::syncDirectory(withSeparator(directory));
}

bool isTemporaryName(const QString& fileName)
{
    static const QRegularExpression ours(
        QStringLiteral("^(?:[0-9]{2}[1-9ABC][0-9]{5}\\.(?:txt|pdf)|\\.confirma-pendiente)\\.[A-Za-z0-9]{6}$"));
    return ours.match(fileName).hasMatch();
}

namespace {

// The commit happened: the declaration file and the control report follow the store.
void rollForward(const QString& directory, const PendingConfirmation& journal, WithholdingStore& store,
    const RecoveryObserver& observer)
{
    const QString temporary = directory + journal.temporaryName;
    const QString declaration = directory + journal.declarationName;
    if (QFileInfo::exists(temporary))
        durable::replace(temporary, declaration);
    else if (declarationfile::digest(declaration) != journal.contentDigest)
        throw Error(ContentMismatch.arg(declaration));
    tell(observer, "declaration");
    if (!journal.total.isEmpty()) {
        StoreDataSet lines(store.openLines());
        controlreport::exportControlReport(
            lines, directory + journal.reportName, journal.periodo, journal.total, nullptr);
        durable::syncDirectory(directory);
    }
    tell(observer, "report");
}

// The store kept the earlier declaration: the new file never takes its place.
void rollBack(const QString& directory, const PendingConfirmation& journal, const RecoveryObserver& observer)
{
    durable::remove(directory + journal.temporaryName);
    durable::syncDirectory(directory);
    tell(observer, "declaration");
    tell(observer, "report");
}

// Finishes or undoes the CONFIRMA the journal describes.
RecoveryOutcome settle(const QString& directory, const PendingConfirmation& journal, const QString& databaseName,
    const RecoveryObserver& observer)
{
    WithholdingStore store(databaseName);
    // The commit happened when the store holds exactly the pending lines.
    const std::vector<StoredLine> stored = store.storedLines();
    const bool committed = int(stored.size()) == journal.lineCount && storedLinesDigest(stored) == journal.linesDigest;
    tell(observer, "decided");
    RecoveryOutcome outcome = RecoveryOutcome::RolledBack;
    if (committed) {
        rollForward(directory, journal, store, observer);
        outcome = RecoveryOutcome::RolledForward;
    } else {
        rollBack(directory, journal, observer);
    }
    store.disconnect();
    return outcome;
}

// Reads and settles the journal when there is one; `keep` names the temporary
// file to leave in place while the journal still needs it.
void settleJournal(const QString& directory, const QString& databaseName, const RecoveryObserver& observer,
    RecoveryResult& result, QString& keep)
{
    QFile journalFile(directory + PendingConfirmation::JournalName);
    if (!journalFile.exists())
        return;
    if (!journalFile.open(QIODevice::ReadOnly))
        throw Error(journalFile.errorString());
    const std::optional<PendingConfirmation> journal = PendingConfirmation::decode(journalFile.readAll());
    journalFile.close();
    if (journal) {
        keep = journal->temporaryName;
        result.outcome = settle(directory, *journal, databaseName, observer);
    } else {
        // Written whole or not at all: not one of ours, nothing to decide.
        result.outcome = RecoveryOutcome::RolledBack;
    }
    removeJournal(directory);
    keep.clear();
    tell(observer, "journal");
}

}  // namespace

RecoveryResult recover(const QString& programDirectory, const QString& databaseName, const RecoveryObserver& observer)
{
    const QString directory = withSeparator(programDirectory);
    RecoveryResult result;
    QString keep;
    try {
        settleJournal(directory, databaseName, observer, result, keep);
    } catch (const std::exception& error) {
        result.outcome = RecoveryOutcome::Failed;
        result.error = QString::fromStdString(error.what());
    }
    try {
        result.removedLeftovers = removeLeftovers(directory, keep);
    } catch (const std::exception& error) {
        if (result.outcome != RecoveryOutcome::Failed) {
            result.outcome = RecoveryOutcome::Failed;
            result.error = QString::fromStdString(error.what());
        }
    }
    tell(observer, "leftovers");
    return result;
}

}  // namespace pending
