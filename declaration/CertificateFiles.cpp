#include "declaration/CertificateFiles.h"

#include "core/Error.h"
#include "declaration/CertificateReport.h"
#include "declaration/DurableFile.h"
#include "declaration/Record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace certificatefiles {

namespace {

const QString NotWritten =
    QStringLiteral("No se generaron las constancias: la DDJJ y las constancias anteriores quedan como estaban. ");

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

Error failure(const QString& what, const QString& path, int error)
{
    return Error(NotWritten + what.arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error))));
}

Error cannotCreate(const QString& path, int error)
{
    return failure(QStringLiteral("No se puede crear el archivo \"%1\": %2"), path, error);
}

// Writes `bytes` to a new file at `path`; the caller syncs.
void writeNew(const QString& path, const QByteArray& bytes)
{
    const int descriptor = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0)
        throw cannotCreate(path, errno);
    qint64 written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            const int error = count < 0 ? errno : ENOSPC;
            ::close(descriptor);
            ::unlink(encoded(path).constData());
            throw cannotCreate(path, error);
        }
        written += count;
    }
    if (::close(descriptor) != 0) {
        const int error = errno;
        ::unlink(encoded(path).constData());
        throw cannotCreate(path, error);
    }
}

// A copy of a file the agent keeps in the folder, where it cannot be linked.
void copyFile(const QString& from, const QString& to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw failure(QStringLiteral("No se puede leer el archivo \"%1\": %2"), from, EACCES);
    writeNew(to, source.readAll());
}

// The entries of a folder, "." and ".." left out; hidden ones included.
QStringList entriesOf(const QString& folder)
{
    QStringList names;
    DIR* directory = ::opendir(encoded(folder).constData());
    if (!directory)
        throw failure(QStringLiteral("No se puede leer la carpeta \"%1\": %2"), folder, errno);
    while (const dirent* entry = ::readdir(directory)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names << name;
    }
    ::closedir(directory);
    names.sort();
    return names;
}

bool isDirectory(const QString& path)
{
    struct stat status
    { };
    return ::lstat(encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

void syncFileSystemOf(const QString& folder)
{
    const int descriptor = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw failure(QStringLiteral("No se puede asegurar la carpeta \"%1\": %2"), folder, errno);
    const int result = ::syncfs(descriptor);
    const int error = errno;
    ::close(descriptor);
    if (result != 0)
        throw failure(QStringLiteral("No se puede asegurar la carpeta \"%1\": %2"), folder, error);
}

// Puts `from` (a folder) in the place of `to` (a folder) and `to` in the
// place of `from`, in one step where the file system can; otherwise in
// two renames, undone when the second fails.
void exchange(const QString& from, const QString& to)
{
    if (::renameat2(AT_FDCWD, encoded(from).constData(), AT_FDCWD, encoded(to).constData(), RENAME_EXCHANGE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        throw failure(QStringLiteral("No se puede reemplazar la carpeta \"%1\": %2"), to, errno);
    const QString aside = from + QStringLiteral(".anterior");
    if (std::rename(encoded(to).constData(), encoded(aside).constData()) != 0)
        throw failure(QStringLiteral("No se puede reemplazar la carpeta \"%1\": %2"), to, errno);
    if (std::rename(encoded(from).constData(), encoded(to).constData()) != 0) {
        const int error = errno;
        std::rename(encoded(aside).constData(), encoded(to).constData());
        throw failure(QStringLiteral("No se puede reemplazar la carpeta \"%1\": %2"), to, error);
    }
    if (std::rename(encoded(aside).constData(), encoded(from).constData()) != 0)
        throw failure(QStringLiteral("No se puede reemplazar la carpeta \"%1\": %2"), to, errno);
}

// The removals of earlier sets under way, each on a thread of its own that
// touches nothing but the paths it was given.
class Clearing
{
public:
    ~Clearing()
    {
        // At the end of the program a removal under way is left to finish
        // or to be stopped with the process.
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (std::thread& thread : m_threads)
            thread.detach();
    }

    void start(QByteArray folder, std::vector<QByteArray> files)
    {
        auto remove = [folder = std::move(folder), files = std::move(files)] {
            for (const QByteArray& file : files)
                ::unlink(file.constData());
            ::rmdir(folder.constData());
        };
        const std::lock_guard<std::mutex> lock(m_mutex);
        try {
            m_threads.emplace_back(remove);
        } catch (const std::system_error&) {
            // No thread to be had: the removal is done here.
            remove();
        }
    }

    void finish()
    {
        std::vector<std::thread> threads;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            threads.swap(m_threads);
        }
        for (std::thread& thread : threads)
            thread.join();
    }

private:
    std::mutex m_mutex;
    std::vector<std::thread> m_threads;
};

Clearing& clearing()
{
    static Clearing removals;
    return removals;
}

// A hidden folder beside the certificates' folder, where the new set is
// written; removed with what this program put in it unless it was put in
// place. Files linked from the agent's are only links there.
class Staging
{
public:
    explicit Staging(const QString& folder)
    {
        const QFileInfo info(folder);
        QByteArray pattern =
            encoded(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
        if (!::mkdtemp(pattern.data()))
            throw cannotCreate(folder, errno);
        m_path = QFile::decodeName(pattern);
    }
    ~Staging()
    {
        if (m_path.isEmpty())
            return;
        for (const QString& name : m_written)
            ::unlink(encoded(m_path + QLatin1Char('/') + name).constData());
        ::rmdir(encoded(m_path).constData());
    }

    const QString& path() const { return m_path; }
    QString file(const QString& name) const { return m_path + QLatin1Char('/') + name; }
    void written(const QString& name) { m_written << name; }
    // The folder was renamed into its place; nothing is left here.
    void putInPlace()
    {
        m_written.clear();
        m_path.clear();
    }
    // The folder now holds the earlier set: its certificates, and the agent's
    // files that were linked into the new one, go; the agent's folders were
    // moved. Anything else stays where it is.
    //
    // Removing many files that are on disk can take seconds (file systems
    // that discard freed blocks at once), so the removal runs on a thread of
    // its own while the user goes on; a run stopped before it ends leaves the
    // folder for the next run to clear (removeLeftovers).
    void clearEarlierSet(const QStringList& linked)
    {
        m_written.clear();
        std::vector<QByteArray> doomed;
        for (const QString& name : entriesOf(m_path)) {
            if (isCertificateName(name) || linked.contains(name))
                doomed.push_back(encoded(file(name)));
        }
        clearing().start(encoded(m_path), std::move(doomed));
        m_path.clear();
    }

private:
    QString m_path;
    QStringList m_written;
};

// The combined file's temporary name beside it, hidden, removed unless put
// in place.
class TemporaryFile
{
public:
    explicit TemporaryFile(const QString& finalPath)
    {
        const QFileInfo info(finalPath);
        static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)]);
        m_path = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + suffix;
    }
    ~TemporaryFile()
    {
        if (!m_path.isEmpty())
            ::unlink(encoded(m_path).constData());
    }
    const QString& path() const { return m_path; }
    void putInPlace() { m_path.clear(); }

private:
    QString m_path;
};

// The agent's entries of the earlier folder are kept: files are linked into
// the new folder (copied where they cannot be), folders moved once the new
// folder is in place.
struct AgentEntries
{
    QStringList linked;
    QStringList folders;
};

AgentEntries keepAgentEntries(const QString& folder, Staging& staging)
{
    AgentEntries entries;
    for (const QString& name : entriesOf(folder)) {
        if (isCertificateName(name))
            continue;
        const QString from = folder + QLatin1Char('/') + name;
        if (isDirectory(from)) {
            entries.folders << name;
            continue;
        }
        if (::linkat(AT_FDCWD, encoded(from).constData(), AT_FDCWD, encoded(staging.file(name)).constData(), 0) != 0) {
            if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
                throw cannotCreate(staging.file(name), errno);
            copyFile(from, staging.file(name));
        }
        staging.written(name);
        entries.linked << name;
    }
    return entries;
}

// What an earlier run that was stopped may have left beside the set: its
// hidden folder (a new set not yet in place, or an earlier one not yet
// cleared) and the combined file's temporary file. Only certificates and
// temporary files go; a hidden folder that still holds anything else (the
// agent's files) stays.
void removeLeftovers(const QString& combined, const QString& folder)
{
    const QString directory = durable::directoryOf(folder);
    const QString folderPrefix = QStringLiteral(".") + QFileInfo(folder).fileName() + QLatin1Char('.');
    const QString combinedPrefix = QStringLiteral(".") + QFileInfo(combined).fileName() + QLatin1Char('.');
    for (const QString& name : entriesOf(directory)) {
        const QString path = directory + QLatin1Char('/') + name;
        if (name.startsWith(combinedPrefix) && name.size() == combinedPrefix.size() + 6 && !isDirectory(path)) {
            ::unlink(encoded(path).constData());
        } else if (name.startsWith(folderPrefix) && isDirectory(path)
            && (name.size() == folderPrefix.size() + 6 || name.endsWith(QLatin1String(".anterior")))) {
            for (const QString& entry : entriesOf(path)) {
                if (isCertificateName(entry))
                    ::unlink(encoded(path + QLatin1Char('/') + entry).constData());
            }
            ::rmdir(encoded(path).constData());
        }
    }
}

}  // namespace

QString combinedPath(const QString& directory, const QString& baseName)
{
    return directory + baseName + QStringLiteral("-constancias.pdf");
}

QString folderPath(const QString& directory, const QString& baseName)
{
    return directory + baseName + QStringLiteral("-constancias");
}

void finishClearing()
{
    clearing().finish();
}

bool isCertificateName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{2}-[0-9]{8}-[0-9]\\.pdf$"));
    return pattern.match(fileName).hasMatch();
}

void write(CertificateReport& report, const certificates::Declaration& declaration, const QString& directory,
    const QString& baseName)
{
    const QString combined = combinedPath(directory, baseName);
    const QString folder = folderPath(directory, baseName);
    // What would refuse only the last renames, when everything else is written.
    if (isDirectory(combined))
        throw cannotCreate(combined, EISDIR);
    const QFileInfo folderInfo(folder);
    const bool earlierFolder = folderInfo.exists() || folderInfo.isSymLink();
    if (earlierFolder && !isDirectory(folder))
        throw cannotCreate(folder, ENOTDIR);
    if (earlierFolder && ::access(encoded(folder).constData(), W_OK) != 0)
        throw cannotCreate(folder, errno);

    // An earlier run's removal must not meet this run's files.
    finishClearing();
    removeLeftovers(combined, folder);
    Staging staging(folder);
    // One run of the report gives the suppliers' documents one by one and
    // then the whole.
    const QByteArray whole = report.pdfOfAll([&](size_t supplier, const QByteArray& document) {
        const QString name = declaration.suppliers[supplier].cuit + QStringLiteral(".pdf");
        writeNew(staging.file(name), document);
        staging.written(name);
    });
    const AgentEntries agentEntries = earlierFolder ? keepAgentEntries(folder, staging) : AgentEntries{};
    TemporaryFile combinedTemporary(combined);
    writeNew(combinedTemporary.path(), whole);
    syncFileSystemOf(staging.path());

    if (earlierFolder) {
        exchange(staging.path(), folder);
    } else if (std::rename(encoded(staging.path()).constData(), encoded(folder).constData()) != 0) {
        throw cannotCreate(folder, errno);
    }
    if (std::rename(encoded(combinedTemporary.path()).constData(), encoded(combined).constData()) != 0) {
        const int error = errno;
        if (earlierFolder)
            exchange(staging.path(), folder);
        else
            std::rename(encoded(folder).constData(), encoded(staging.path()).constData());
        throw cannotCreate(combined, error);
    }
    combinedTemporary.putInPlace();
    durable::syncDirectory(durable::directoryOf(combined));
    if (!earlierFolder) {
        staging.putInPlace();
        return;
    }
    for (const QString& name : agentEntries.folders)
        std::rename(encoded(staging.file(name)).constData(), encoded(folder + QLatin1Char('/') + name).constData());
    staging.clearEarlierSet(agentEntries.linked);
}

}  // namespace certificatefiles

namespace certificates {

QString Result::message() const
{
    switch (outcome) {
    case Outcome::Written:
        return generatedMessage(suppliers, folder);
    case Outcome::NoDeclarationFile:
        return noDeclarationFileMessage(declarationPath);
    case Outcome::NoLines:
        return noLinesMessage(declarationPath);
    }
    return QString();
}

Result generate(const QString& directory, const Period& period, const QDate& issueDate)
{
    Result result;
    result.declarationPath = declarationPath(directory, period);
    const QFileInfo file(result.declarationPath);
    if (!file.exists() && !file.isSymLink()) {
        result.outcome = Outcome::NoDeclarationFile;
        return result;
    }
    const Declaration declaration = readDeclaration(result.declarationPath, period);
    if (declaration.suppliers.empty()) {
        result.outcome = Outcome::NoLines;
        return result;
    }
    const QString baseName = record::baseName(period.month, period.year, period.legajo);
    CertificateReport report(declaration, issueDate);
    certificatefiles::write(report, declaration, directory, baseName);
    result.outcome = Outcome::Written;
    result.folder = certificatefiles::folderPath(directory, baseName);
    result.suppliers = int(declaration.suppliers.size());
    return result;
}

}  // namespace certificates
