#include "tests/support/DatabaseFixture.h"

#include "db/Database.h"
#include "db/Handle.h"

#include <QtTest>

using namespace db;

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void positionalParameters_data();
    void positionalParameters();
    void scriptStatements_data();
    void scriptStatements();

    void valuesTravelExactly_data();
    void valuesTravelExactly();
    void identityIncreasesWithEveryInsert();
    void parameterNamesIgnoreCase();
    void unknownParameterIsRefused();
    void unsetParameterIsNull();
    void retainingCommitAndRollback();
    void tooLongTextGivesTheDatabaseText();
    void missingDatabaseGivesTheDatabaseText();
    void hostPrefixGoesToTheServerProvider();
    void disconnectDropsStatementsAndReconnects();
    void handleGivesItsInterfaceBackOnce();
    void failedFinishKeepsTheInterface();

private:
    QTemporaryDir m_directory;
    QString m_database;
};

void TestDatabase::initTestCase()
{
    QVERIFY(m_directory.isValid());
    m_database = fixture::createDatabase(m_directory, QStringLiteral("layer.fdb"));
}

void TestDatabase::positionalParameters_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("positional");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("insert of the store")
        << "insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(:nc,:FE,:iM,:Ra,:Cu,:Pe)"
        << "insert into  reten (nroCom,FECha,importe,razon,Cuit,periodo) values(?,?,?,?,?,?)"
        << QStringList{"NC", "FE", "IM", "RA", "CU", "PE"};
    QTest::newRow("no parameters") << "select * from  reten order by Jid"
                                   << "select * from  reten order by Jid" << QStringList{};
    QTest::newRow("literal keeps its colon") << "select ':x', :y from rdb$database"
                                             << "select ':x', ? from rdb$database" << QStringList{"Y"};
    QTest::newRow("doubled quote inside a literal") << "select 'it''s :no' from t where a = :a"
                                                    << "select 'it''s :no' from t where a = ?" << QStringList{"A"};
    QTest::newRow("quoted name") << "select \":q\" from t where b=:B"
                                 << "select \":q\" from t where b=?" << QStringList{"B"};
    QTest::newRow("comments") << "select 1 -- :c\nfrom t /* :d */ where e=:e_1$"
                              << "select 1 -- :c\nfrom t /* :d */ where e=?" << QStringList{"E_1$"};
    QTest::newRow("same name twice") << "update t set a=:v where b=:V"
                                     << "update t set a=? where b=?" << QStringList{"V", "V"};
    QTest::newRow("colon without a name") << "select a: from t"
                                          << "select a: from t" << QStringList{};
    QTest::newRow("unterminated literal") << "select ':x"
                                          << "select ':x" << QStringList{};
}

void TestDatabase::positionalParameters()
{
    QFETCH(QString, sql);
    QFETCH(QString, positional);
    QFETCH(QStringList, names);
    const PositionalStatement result = toPositional(sql);
    QCOMPARE(result.sql, positional);
    QCOMPARE(QStringList(result.names.begin(), result.names.end()), names);
}

void TestDatabase::scriptStatements_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("statements");

    QTest::newRow("comments and blank statements")
        << "-- a table; with a comment\nCREATE TABLE A (X INTEGER);\n;\n/* two; */ CREATE TABLE B (Y INTEGER)"
        << QStringList{"CREATE TABLE A (X INTEGER)", "CREATE TABLE B (Y INTEGER)"};
    QTest::newRow("semicolon in a literal")
        << "INSERT INTO A VALUES ('a;b');INSERT INTO A VALUES ('it''s;')"
        << QStringList{"INSERT INTO A VALUES ('a;b')", "INSERT INTO A VALUES ('it''s;')"};
    QTest::newRow("empty") << "  \n-- nothing\n" << QStringList{};
}

void TestDatabase::scriptStatements()
{
    QFETCH(QString, script);
    QFETCH(QStringList, statements);
    QCOMPARE(splitScript(script), statements);
}

void TestDatabase::valuesTravelExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("amountText");

    QTest::newRow("six") << "PANADERIA LA ESPIGA" << qint64(600) << "6.00";
    QTest::newRow("one cent") << "x" << qint64(1) << "0.01";
    QTest::newRow("largest record amount") << "x" << qint64(99999999999) << "999999999.99";
    // Beyond what a double holds to the cent: only an exact path keeps it.
    QTest::newRow("beyond double precision") << "x" << qint64(123456789012345678) << "1234567890123456.78";
    QTest::newRow("negative") << "x" << qint64(-5) << "-0.05";
    QTest::newRow("spanish capitals") << "ÑANDÚ CONSTRUCCIONES ÁÉÍÓÚ" << qint64(0) << "0.00";
    QTest::newRow("sixty characters") << QString(59, QLatin1Char('A')) + QStringLiteral("Ñ") << qint64(7) << "0.07";
}

void TestDatabase::valuesTravelExactly()
{
    QFETCH(QString, name);
    QFETCH(qint64, cents);
    QFETCH(QString, amountText);

    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("delete from reten");
    query.execute();
    query.setSql("insert into reten (nrocom, importe, razon) values (:n, :i, :r)");
    query.setText("n", "123");
    query.setScaled("i", cents, 2);
    query.setText("r", name);
    query.execute();

    query.setSql("select nrocom, importe, razon from reten");
    query.open();
    QVERIFY(!query.eof());
    QCOMPARE(query.fieldCount(), 3);
    QCOMPARE(query.fieldType(0), ColumnType::Text);
    QCOMPARE(query.fieldType(1), ColumnType::Scaled);
    QCOMPARE(query.fieldDecimals(1), 2);
    QCOMPARE(query.integer(1), cents);
    QCOMPARE(query.text(1), amountText);
    // CHAR columns come padded; the text itself is the one stored.
    QCOMPARE(query.text(0).trimmed(), QStringLiteral("123"));
    QCOMPARE(query.text(2).trimmed(), name);
    QVERIFY(query.text(0).startsWith(QStringLiteral("123 ")));
    query.next();
    QVERIFY(query.eof());
    transaction.rollback();
}

void TestDatabase::identityIncreasesWithEveryInsert()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    for (int line = 1; line <= 3; ++line) {
        query.setSql("insert into reten (nrocom) values (:n)");
        query.setText("n", QString::number(line));
        query.execute();
    }
    query.setSql("select jid, nrocom from reten order by jid");
    query.open();
    QCOMPARE(query.fieldType(0), ColumnType::Integer);
    qint64 previous = -1;
    QStringList order;
    for (; !query.eof(); query.next()) {
        QVERIFY2(query.integer(0) > previous, "JID must increase");
        previous = query.integer(0);
        order << query.text(1).trimmed();
    }
    QCOMPARE(order, (QStringList{"1", "2", "3"}));
    transaction.rollback();
}

void TestDatabase::parameterNamesIgnoreCase()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("insert into reten (nrocom, cuit, periodo) values (:nc, :Cu, :pE)");
    query.setText("NC", "a");
    query.setText("cU", "b");
    query.setText("Pe", "c");
    query.execute();
    query.setSql("select nrocom, cuit, periodo from reten");
    query.open();
    QCOMPARE(query.text(0).trimmed() + query.text(1).trimmed() + query.text(2).trimmed(), QStringLiteral("abc"));
    QCOMPARE(query.fieldIndex("Periodo"), 2);
    QCOMPARE(query.fieldIndex("nothing"), -1);
    transaction.rollback();
}

void TestDatabase::unknownParameterIsRefused()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("insert into reten (nrocom) values (:nc)");
    QVERIFY_THROWS_EXCEPTION(Error, query.setText("nd", "x"));
}

void TestDatabase::unsetParameterIsNull()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("insert into reten (nrocom, importe) values (:nc, :im)");
    query.setText("nc", "n");
    query.execute();
    query.setSql("select importe from reten where nrocom = :nc");
    query.setText("nc", "n");
    query.open();
    QVERIFY(!query.eof());
    QVERIFY(query.isNull(0));
    transaction.rollback();
}

void TestDatabase::retainingCommitAndRollback()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("delete from reten");
    query.execute();
    query.setSql("insert into reten (nrocom) values (:n)");
    query.setText("n", "kept");
    query.execute();
    transaction.commitRetaining();
    QVERIFY(transaction.active());
    query.setText("n", "undone");
    query.execute();
    transaction.rollbackRetaining();
    QVERIFY(transaction.active());

    // A second connection sees only what was committed.
    Connection other(m_database, fixture::sysdba());
    Transaction otherTransaction(other);
    Query reader(otherTransaction);
    reader.setSql("select nrocom from reten");
    reader.open();
    QStringList rows;
    for (; !reader.eof(); reader.next())
        rows << reader.text(0).trimmed();
    QCOMPARE(rows, QStringList{"kept"});
}

void TestDatabase::tooLongTextGivesTheDatabaseText()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("insert into reten (nrocom) values (:n)");
    query.setText("n", QString(21, QLatin1Char('9')));
    try {
        query.execute();
        QFAIL("a 21-character receipt number must not fit CHAR(20)");
    } catch (const DatabaseError& error) {
        QVERIFY2(error.message().contains("string right truncation"), qPrintable(error.message()));
    }
}

void TestDatabase::missingDatabaseGivesTheDatabaseText()
{
    const QString missing = m_directory.filePath("missing.fdb");
    Connection connection(missing, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("delete from reten");
    try {
        query.execute();
        QFAIL("a missing database must not open");
    } catch (const DatabaseError& error) {
        QVERIFY2(error.message().contains(missing), qPrintable(error.message()));
    }
    QVERIFY(!connection.connected());
    QVERIFY(!QFile::exists(missing));
}

void TestDatabase::hostPrefixGoesToTheServerProvider()
{
    // No server listens here: the error must be the network provider's, not
    // the embedded engine's complaint about a file named "127.0.0.1:...".
    Connection connection(QStringLiteral("127.0.0.1/1:") + m_database, fixture::sysdba());
    try {
        connection.connect();
        QFAIL("no server runs on port 1");
    } catch (const DatabaseError& error) {
        QVERIFY2(error.message().contains("network", Qt::CaseInsensitive), qPrintable(error.message()));
    }
}

void TestDatabase::disconnectDropsStatementsAndReconnects()
{
    Connection connection(m_database, fixture::sysdba());
    Transaction transaction(connection);
    Query query(transaction);
    query.setSql("select count(*) from reten");
    query.open();
    QVERIFY(query.isOpen());
    connection.disconnect();
    QVERIFY(!connection.connected());
    QVERIFY(!query.isOpen());
    QVERIFY(!query.prepared());
    QVERIFY(!transaction.active());
    // The next statement connects again.
    query.open();
    QVERIFY(connection.connected());
    QVERIFY(!query.eof());
}

namespace {

// Counts how often it is given back, in each of the two ways.
struct CountedInterface
{
    int released = 0;
    int disposed = 0;
    void release() { ++released; }
    void dispose() { ++disposed; }
};

}  // namespace

void TestDatabase::handleGivesItsInterfaceBackOnce()
{
    CountedInterface first;
    CountedInterface second;
    {
        Handle<CountedInterface> owner(&first);
        Handle<CountedInterface> moved(std::move(owner));
        QVERIFY(!owner);
        QCOMPARE(moved.get(), &first);
        Handle<CountedInterface> other(&second);
        other = std::move(moved);  // gives `second` back, takes `first`
        QCOMPARE(second.released, 1);
        QCOMPARE(first.released, 0);
    }
    QCOMPARE(first.released, 1);
    QCOMPARE(second.released, 1);

    CountedInterface builder;
    {
        Handle<CountedInterface, Dispose> owner(&builder);
        owner.reset();
        QVERIFY(!owner);
    }
    QCOMPARE(builder.disposed, 1);
    QCOMPARE(builder.released, 0);
}

void TestDatabase::failedFinishKeepsTheInterface()
{
    CountedInterface ended;
    CountedInterface failed;
    {
        Handle<CountedInterface> owner(&ended);
        CountedInterface* finished = nullptr;
        owner.finish([&](CountedInterface* object) { finished = object; });
        QCOMPARE(finished, &ended);
        QVERIFY(!owner);
    }
    // A call that succeeds frees the interface itself: the handle must not.
    QCOMPARE(ended.released, 0);
    {
        Handle<CountedInterface> owner(&failed);
        QVERIFY_THROWS_EXCEPTION(Error, owner.finish([](CountedInterface*) { throw Error(QStringLiteral("x")); }));
        QCOMPARE(owner.get(), &failed);
        QCOMPARE(failed.released, 0);
    }
    QCOMPARE(failed.released, 1);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
