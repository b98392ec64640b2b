#include "declaration/Store.h"

#include "core/TextRules.h"
#include "declaration/StoreSettings.h"

namespace {

const QString DeleteStatement = QStringLiteral("delete from reten");
const QString InsertStatement =
    QStringLiteral("insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(:nc,:FE,:iM,:Ra,:Cu,:Pe)");
const QString SelectStatement = QStringLiteral("select * from  reten order by Jid");

}  // namespace

WithholdingStore::WithholdingStore(const QString& databaseName)
    : Conector(databaseName, storesettings::connectionParameters())
    , tran(Conector)
    , t_reten(tran)
{
    // Another attachment holding the stored rows must not freeze the window
    // for as long as it keeps them: after a short wait CONFIRMA fails with the
    // database's lock error and the earlier declaration stays.
    tran.setLockTimeout(LockTimeoutSeconds);
}

void WithholdingStore::deleteLines()
{
    t_reten.close();
    t_reten.setSql(DeleteStatement);
    t_reten.execute();
}

// The statement text is set for every line; the query keeps the statement
// prepared while the text stays the same, so a declaration prepares its
// insert once, not once per line.
void WithholdingStore::storeLine(const StoredLine& line)
{
    t_reten.close();
    t_reten.setSql(InsertStatement);
    t_reten.setText(QStringLiteral("nC"), line.receiptNumber);
    t_reten.setText(QStringLiteral("FE"), line.date);
    t_reten.setScaled(QStringLiteral("Im"), line.withholdingCents, 2);
    t_reten.setText(QStringLiteral("Ra"), line.supplierName);
    t_reten.setText(QStringLiteral("Cu"), line.supplierCuit);
    t_reten.setText(QStringLiteral("Pe"), line.period);
    t_reten.execute();
}

void WithholdingStore::commit()
{
    tran.commitRetaining();
}

void WithholdingStore::rollback()
{
    tran.rollbackRetaining();
}

db::Query& WithholdingStore::openLines()
{
    t_reten.close();
    t_reten.setSql(SelectStatement);
    t_reten.open();
    return t_reten;
}

std::vector<StoredLine> WithholdingStore::storedLines()
{
    db::Query& query = openLines();
    const int receiptNumber = query.fieldIndex(QStringLiteral("NROCOM"));
    const int date = query.fieldIndex(QStringLiteral("FECHA"));
    const int withholding = query.fieldIndex(QStringLiteral("IMPORTE"));
    const int supplierName = query.fieldIndex(QStringLiteral("RAZON"));
    const int supplierCuit = query.fieldIndex(QStringLiteral("CUIT"));
    const int period = query.fieldIndex(QStringLiteral("PERIODO"));
    std::vector<StoredLine> lines;
    for (; !query.eof(); query.next()) {
        StoredLine line;
        line.receiptNumber = text::trimmed(query.text(receiptNumber));
        line.date = text::trimmed(query.text(date));
        line.withholdingCents = query.integer(withholding);
        line.supplierName = text::trimmed(query.text(supplierName));
        line.supplierCuit = text::trimmed(query.text(supplierCuit));
        line.period = text::trimmed(query.text(period));
        lines.push_back(std::move(line));
    }
    query.close();
    return lines;
}

void WithholdingStore::disconnect()
{
    Conector.disconnect();
}
