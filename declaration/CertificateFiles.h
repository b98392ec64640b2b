#pragma once

#include "declaration/Certificates.h"

#include <QDate>
#include <QString>

class CertificateReport;

// The certificates of a declaration as files beside its declaration file:
// <base>-constancias.pdf with every certificate, and the folder
// <base>-constancias/ with one file <CUIT>.pdf per supplier.
namespace certificatefiles {

QString combinedPath(const QString& directory, const QString& baseName);
QString folderPath(const QString& directory, const QString& baseName);

// Whether a file name is one of the certificates a folder holds: NN-NNNNNNNN-N.pdf.
bool isCertificateName(const QString& fileName);

// The files of a replaced set are removed on a thread of their own once the
// new set is in place; waits until every such removal has ended.
void finishClearing();

// Writes the set and replaces an earlier one whole, or leaves it whole:
// every file is written and synced under a temporary name first, the folder
// as a hidden folder beside its place, which then takes the earlier folder's
// place in one step; the combined file follows with one rename. Files of the
// earlier folder that are no certificate (the agent's own) are kept in the
// new one; certificates of suppliers no longer in the declaration go (see
// finishClearing).
// Throws Error, the earlier set left as it was, when a file cannot be written
// (a full disk, a folder that cannot be written, a folder or file in the
// way).
void write(CertificateReport& report, const certificates::Declaration& declaration, const QString& directory,
    const QString& baseName);

}  // namespace certificatefiles

namespace certificates {

enum class Outcome { Written, NoDeclarationFile, NoLines };

struct Result
{
    Outcome outcome = Outcome::NoDeclarationFile;
    QString declarationPath;
    QString folder;  // the per-supplier folder
    int suppliers = 0;

    // What the user is told: the information box's text.
    QString message() const;
};

// The certificates of the period's declaration file in `directory` (with a
// trailing separator), issued on `issueDate`. Nothing is written when the
// file is not there or has no line. Throws Error when the reader refuses the
// file or a file cannot be written; nothing changes then.
Result generate(const QString& directory, const Period& period, const QDate& issueDate);

}  // namespace certificates
