#include "declaration/PendingConfirmation.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/TextRules.h"
#include "declaration/ControlReport.h"
#include "declaration/DeclarationFile.h"
#include "declaration/DurableFile.h"
#include "declaration/StoreDataSet.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <unistd.h>

namespace {

const QByteArray JournalHeading = QByteArrayLiteral("CONFIRMA-PENDIENTE 2");
const QByteArray ChecksumKey = QByteArrayLiteral("sha256");
const QByteArray JournalEnd = QByteArrayLiteral("FIN");
constexpr qsizetype FieldCount = 10;

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
    addField(bytes, "carpeta", folder);
    addField(bytes, "temporal", temporaryName);
    addField(bytes, "ddjj", declarationName);
    addField(bytes, "reporte", reportName);
    addField(bytes, "periodo", period);
    addField(bytes, "leyenda", periodo);
    addField(bytes, "total", total);
    addField(bytes, "renglones", QString::number(lineCount));
    addField(bytes, "renglones-sha256", QString::fromLatin1(linesDigest.toHex()));
    addField(bytes, "ddjj-sha256", QString::fromLatin1(contentDigest.toHex()));
    bytes += ChecksumKey + '=' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + '\n';
    bytes += JournalEnd + '\n';
    return bytes;
}

std::optional<PendingConfirmation> PendingConfirmation::decode(const QByteArray& bytes)
{
    // The checksum line covers every byte before it.
    const QByteArray checksumStart = '\n' + ChecksumKey + '=';
    const qsizetype checksumAt = bytes.lastIndexOf(checksumStart);
    if (checksumAt < 0)
        return std::nullopt;
    const QByteArray covered = bytes.left(checksumAt + 1);
    const QByteArray expectedTail = ChecksumKey + '='
        + QCryptographicHash::hash(covered, QCryptographicHash::Sha256).toHex() + '\n' + JournalEnd + '\n';
    if (bytes.mid(checksumAt + 1) != expectedTail)
        return std::nullopt;

    const QList<QByteArray> lines = covered.split('\n');
    // Heading, the fields, and the empty text after the last line end.
    if (lines.size() != 2 + FieldCount || lines.first() != JournalHeading || !lines.last().isEmpty())
        return std::nullopt;
    QHash<QByteArray, QString> fields;
    for (qsizetype i = 1; i <= FieldCount; ++i) {
        const qsizetype equals = lines.at(i).indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        const QByteArray value = QByteArray::fromPercentEncoding(lines.at(i).mid(equals + 1));
        fields.insert(lines.at(i).left(equals), QString::fromUtf8(value));
    }
    if (fields.size() != FieldCount)
        return std::nullopt;
    PendingConfirmation journal;
    journal.folder = fields.value("carpeta");
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
    if (!counted || journal.linesDigest.size() != 32 || journal.contentDigest.size() != 32)
        return std::nullopt;
    return journal;
}

std::optional<QString> PendingConfirmation::problemIn(const QString& directory) const
{
    static const QRegularExpression declarationForm(QStringLiteral("^([0-9]{2}[1-9ABC][0-9]{5})\\.txt$"));
    const QString here = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
    if (QDir::cleanPath(folder) != here)
        return QStringLiteral("el registro corresponde a la carpeta \"%1\", no a \"%2\"").arg(folder, here);
    const QRegularExpressionMatch declaration = declarationForm.match(declarationName);
    if (!declaration.hasMatch())
        return QStringLiteral("el registro no nombra un archivo de DDJJ: \"%1\"").arg(declarationName);
    if (reportName != declaration.captured(1) + QStringLiteral(".pdf"))
        return QStringLiteral("el registro no nombra el reporte de la DDJJ: \"%1\"").arg(reportName);
    const QFileInfo realDeclaration(filenames::realFilePath(here + QLatin1Char('/') + declarationName));
    if (!isPlainName(temporaryName) || filenames::finalNameOf(temporaryName) != realDeclaration.fileName())
        return QStringLiteral("el registro no nombra un archivo temporal de \"%1\": \"%2\"")
            .arg(declarationName, temporaryName);
    return std::nullopt;
}

QString pending::keptName(const QString& fileName, const QString& stamp)
{
    if (fileName == PendingConfirmation::JournalName)
        return QStringLiteral("confirma-pendiente.conservado-") + stamp;
    const QString finalName = filenames::finalNameOf(fileName);
    const QString suffix = fileName.right(6);
    const qsizetype dot = finalName.lastIndexOf(QLatin1Char('.'));
    if (finalName.isEmpty() || dot <= 0)
        return fileName + QStringLiteral(".conservado-") + stamp;
    // The extension stays last, so that the kept file opens as its kind.
    return finalName.left(dot) + QStringLiteral(".conservado-") + suffix + finalName.mid(dot);
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
        QStringLiteral("^(?:[0-9]{2}[1-9ABC][0-9]{5}\\.(?:txt|pdf)|\\.confirma-pendiente)$"));
    return ours.match(filenames::finalNameOf(fileName)).hasMatch();
}

namespace {

// The declaration file the journal's name leads to (through a link, when it
// is one) and its temporary file beside it.
struct JournalFiles
{
    QString declaration;
    QString temporary;
};

JournalFiles filesOf(const QString& directory, const PendingConfirmation& journal)
{
    JournalFiles files;
    files.declaration = filenames::realFilePath(directory + journal.declarationName);
    files.temporary = durable::directoryOf(files.declaration) + QLatin1Char('/') + journal.temporaryName;
    return files;
}

// The commit happened: the declaration file and the control report follow the store.
void rollForward(const QString& directory, const PendingConfirmation& journal, WithholdingStore& store,
    const RecoveryObserver& observer)
{
    const JournalFiles files = filesOf(directory, journal);
    if (QFileInfo::exists(files.temporary))
        durable::replace(files.temporary, files.declaration);
    else if (declarationfile::digest(files.declaration) != journal.contentDigest)
        throw Error(ContentMismatch.arg(files.declaration));
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
    const JournalFiles files = filesOf(directory, journal);
    durable::remove(files.temporary);
    durable::syncDirectory(durable::directoryOf(files.temporary));
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

// Renames `name` in `directory` to a name that no file there has; false when
// it could not be done. Never replaces a file.
bool renameAside(const QString& directory, const QString& name, const QString& newName, QString& keptAs)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        keptAs = attempt == 0 ? newName : newName + QLatin1Char('-') + QString::number(attempt);
        const QByteArray from = QFile::encodeName(directory + name);
        const QByteArray to = QFile::encodeName(directory + keptAs);
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// A journal that cannot be trusted: nothing it says is done. It and every
// temporary file beside it, one of which may hold the only file copy of a
// declaration the store already has, go under plain names that no start
// removes; none is deleted.
void keepUntrusted(const QString& directory, const QString& reason, RecoveryResult& result)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QStringList names{PendingConfirmation::JournalName};
    for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (isTemporaryName(name))
            names << name;
    }
    QStringList notMoved;
    for (const QString& name : std::as_const(names)) {
        QString keptAs;
        if (renameAside(directory, name, keptName(name, stamp), keptAs))
            result.keptFiles << keptAs;
        else
            notMoved << name;
    }
    durable::syncDirectory(directory);
    result.keptFiles << notMoved;
    result.outcome = RecoveryOutcome::Kept;
    result.error = reason;
}

// Reads and settles the journal when there is one; `keep` names the temporary
// file to leave in place while the journal still needs it. False when the
// journal was kept untouched and nothing may be removed.
bool settleJournal(const QString& directory, const QString& databaseName, const RecoveryObserver& observer,
    RecoveryResult& result, QString& keep)
{
    QFile journalFile(directory + PendingConfirmation::JournalName);
    if (!journalFile.exists())
        return true;
    if (!journalFile.open(QIODevice::ReadOnly))
        throw Error(journalFile.errorString());
    const std::optional<PendingConfirmation> journal = PendingConfirmation::decode(journalFile.readAll());
    journalFile.close();
    const std::optional<QString> problem = journal
        ? journal->problemIn(directory)
        : std::optional<QString>(QStringLiteral("el registro \"%1\" está incompleto o alterado")
                                     .arg(directory + PendingConfirmation::JournalName));
    if (problem) {
        keepUntrusted(directory, *problem, result);
        tell(observer, "journal");
        return false;
    }
    keep = journal->temporaryName;
    result.outcome = settle(directory, *journal, databaseName, observer);
    removeJournal(directory);
    keep.clear();
    tell(observer, "journal");
    return true;
}

}  // namespace

RecoveryResult recover(const QString& programDirectory, const QString& databaseName, const RecoveryObserver& observer)
{
    const QString directory = withSeparator(programDirectory);
    RecoveryResult result;
    QString keep;
    // A journal that could not be read or settled keeps everything beside it.
    bool mayRemove = false;
    try {
        mayRemove = settleJournal(directory, databaseName, observer, result, keep);
    } catch (const std::exception& error) {
        result.outcome = RecoveryOutcome::Failed;
        result.error = QString::fromStdString(error.what());
    }
    try {
        if (mayRemove)
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
