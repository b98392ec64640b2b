#pragma once

#include "db/Connection.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// One withholding line as the table RETEN holds it.
struct StoredLine
{
    QString receiptNumber;        // NROCOM
    QString date;                 // FECHA, DD/MM/YYYY
    qint64 withholdingCents = 0;  // IMPORTE, exact hundredths
    QString supplierName;         // RAZON
    QString supplierCuit;         // CUIT
    QString period;               // PERIODO, month as typed "/" year: 3/2026
};

// The withholdings store: the table RETEN of the program's Firebird database,
// holding the lines of the last confirmed declaration.
//
// `Conector` connects on the first statement and stays connected; `tran` is
// started by the first statement and only ever committed or rolled back with
// the retaining forms, so one transaction context lasts for the whole run;
// `t_reten` runs every statement, its text replaced before each use.
class WithholdingStore
{
public:
    // How long a statement waits for rows another transaction holds.
    static constexpr int LockTimeoutSeconds = 3;

    // Opens `databaseName` with the settings of StoreSettings.h.
    explicit WithholdingStore(const QString& databaseName);

    // Deletes every row, inside the running transaction (nothing is committed).
    void deleteLines();
    // Inserts one line inside the running transaction.
    void storeLine(const StoredLine& line);
    // Makes the deletion and the insertions of this declaration permanent.
    void commit();
    // Undoes everything since the last commit: the store keeps the lines of
    // the declaration committed before.
    void rollback();
    // Opens the stored lines in the order they were stored; `t_reten` stays
    // open on them until the next statement replaces its text.
    db::Query& openLines();
    // The committed lines as the table holds them now, in the order they
    // were stored, texts trimmed.
    std::vector<StoredLine> storedLines();
    // Ends the open statement and transaction (rolled back) and detaches, so
    // that another process can open the database file.
    void disconnect();

    db::Connection Conector;
    db::Transaction tran;
    db::Query t_reten;
};
