#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>
#include <vector>

// Withholding certificates (constancias de retención) for the suppliers of a
// declaration, made from the declaration file the agent presented: one
// certificate per supplier CUIT, the suppliers in the order they first appear
// in the file, each with its lines in file order.
namespace certificates {

// "Atención no existe la DDJJ <archivo> !!!"
QString noDeclarationFileMessage(const QString& declarationPath);
// "Atención la DDJJ <archivo> no tiene retenciones, no se generan constancias !!!"
QString noLinesMessage(const QString& declarationPath);
// "Constancias generadas: <n> proveedores en <carpeta>"
QString generatedMessage(int suppliers, const QString& folder);

// The period of the declaration as the header states it, which names the file.
struct Period
{
    QString month;   // e_Mes, 3 or 03
    QString year;    // E_ano, four digits
    QString legajo;  // e_legaJo
};

// One line of a certificate, texts as the certificate prints them.
struct Line
{
    QString receiptNumber;   // as the file holds it: 0000000000123
    QString date;            // DD/MM/AAAA
    QString receiptAmount;   // two decimals: 1234.56
    QString withheldAmount;  // 6.00
};

struct Supplier
{
    QString cuit;    // NN-NNNNNNNN-N
    QString name;    // of its first line
    QString number;  // 00332-202603-0001
    std::vector<Line> lines;
    qint64 totalCents = 0;  // the exact sum of the withheld amounts
};

struct Declaration
{
    QString legajo;     // five digits, as the file name holds it
    QString year;       // four digits
    QString month;      // two digits
    QString agentCuit;  // as the file's first line holds them
    QString agentName;
    std::vector<Supplier> suppliers;
    qint64 lineCount = 0;

    // "MM/AAAA"
    QString period() const { return month + QLatin1Char('/') + year; }
};

// "<legajo five>-<AAAA><MM>-<NNNN>", NNNN the supplier's place from 1 (more
// digits past 9999).
QString certificateNumber(const QString& legajoFive, const QString& year, const QString& month, int place);

// A supplier CUIT of the file as a certificate and its file name write it:
// NN-NNNNNNNN-N as it stands, or eleven digits written so; empty for
// anything else.
QString normalizedCuit(const QString& cuitText);

// Reads the declaration file at `path` through the loads' line reader (its
// decoding and control-character rules; the declarant's fields are read too)
// and groups its lines by supplier. Throws Error with the reader's message
// and the file and line as detail: a file that cannot be read, a control
// character, an amount that is no number, a supplier CUIT that is no CUIT.
Declaration readDeclaration(const QString& path, const Period& period);

// The period's declaration file in `directory` (with a trailing separator).
QString declarationPath(const QString& directory, const Period& period);

}  // namespace certificates
