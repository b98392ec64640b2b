#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// The declaration files that CONFIRMA wrote for the same legajo in other
// periods (earlier or later), found by their names in the folder where
// CONFIRMA writes them, and the receipts declared in them.
namespace otherdeclarations {

// A declaration file of the legajo, named YY + month code + legajo five +
// ".txt" (the extension in any case).
struct DeclarationFile
{
    QString fileName;  // 26200332.txt
    QString path;
    QString period;  // MM/AAAA: 02/2026
    int year = 0;
    int month = 0;
};

// The files of the legajo in `folder`, in period order (then by name),
// without those of the period given by `monthText` and `yearText` (the
// period being declared). Nothing when the legajo, month or year texts give
// no file name. Entries that are no plain file are listed too: reading them
// fails, and the caller names them.
std::vector<DeclarationFile> filesOf(
    const QString& folder, const QString& legajoText, const QString& monthText, const QString& yearText);

// One supplier's receipt: the trimmed CUIT and the receipt number as the
// record writes it (left-filled with "0" to 13 characters).
QString receiptKey(const QString& cuit, const QString& receiptNumber);

struct Found
{
    // The files read, in period order.
    std::vector<DeclarationFile> files;
    // For each key that stands in some file, the indexes of those files in
    // `files`, each once, in period order.
    QHash<QString, std::vector<int>> declaredIn;
    // The files that could not be read, each with its error, passed over.
    std::vector<DeclarationFile> unreadable;
    QStringList unreadableErrors;
};

// Looks for `keys` in the records of the legajo's other declaration files.
// Only the keys found are kept, so the memory used follows the lines looked
// for, not the size of the files. A file that cannot be read (a folder, no
// permission, a read error) is listed in `unreadable` with what it held
// passed over; nothing is thrown.
Found search(const QString& folder, const QString& legajoText, const QString& monthText, const QString& yearText,
    const QSet<QString>& keys);

}  // namespace otherdeclarations
