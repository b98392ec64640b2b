#include "declaration/AgentRegistry.h"
#include "declaration/Cuit.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void builtInAgentsAreValidSiteData();
    void loadFillsRowsOneTo107Only();
    void lookup_data();
    void lookup();
    void lastMatchWins();
    void rowsPast142AreNeverConsulted();
};

void TestRegistry::builtInAgentsAreValidSiteData()
{
    const std::vector<Agent>& agents = builtInAgents();
    QCOMPARE(int(agents.size()), AgentRegistry::BuiltInRows);

    const QRegularExpression cuitForm(QStringLiteral("^\\d{2}-\\d{8}-\\d$"));
    const QRegularExpression legajoForm(QStringLiteral("^[1-9]\\d{2,4}$"));
    QSet<QString> cuits;
    QSet<QString> legajos;
    for (const Agent& agent : agents) {
        QVERIFY2(cuitForm.match(agent.cuit).hasMatch(), qPrintable(agent.cuit));
        const QString digits = QString(agent.cuit).remove(QLatin1Char('-'));
        QCOMPARE(cuit::checkDigit(digits.left(10)), digits.at(10).digitValue());
        QVERIFY2(cuit::textIsValid(agent.cuit), qPrintable(agent.cuit));
        QVERIFY2(legajoForm.match(agent.legajo).hasMatch(), qPrintable(agent.legajo));
        QVERIFY2(!agent.companyName.isEmpty() && agent.companyName.size() <= 46, qPrintable(agent.companyName));
        QCOMPARE(agent.companyName, agent.companyName.toUpper());
        cuits.insert(agent.cuit);
        legajos.insert(agent.legajo);
    }
    QCOMPARE(cuits.size(), AgentRegistry::BuiltInRows);
    QCOMPARE(legajos.size(), AgentRegistry::BuiltInRows);
    QVERIFY(legajos.contains(QStringLiteral("332")));
    QVERIFY(legajos.contains(QStringLiteral("4505")));

    // Some names carry Ñ and accented capitals, so the code page is exercised.
    bool hasEnye = false;
    bool hasAccent = false;
    for (const Agent& agent : agents) {
        hasEnye = hasEnye || agent.companyName.contains(QChar(0x00D1));
        hasAccent = hasAccent || agent.companyName.contains(QRegularExpression(QStringLiteral("[ÁÉÍÓÚ]")));
    }
    QVERIFY(hasEnye);
    QVERIFY(hasAccent);

    // Not sorted by any column.
    const auto sortedBy = [&agents](auto key) {
        for (size_t i = 1; i < agents.size(); ++i) {
            if (key(agents[i - 1]) > key(agents[i]))
                return false;
        }
        return true;
    };
    QVERIFY(!sortedBy([](const Agent& a) { return a.cuit; }));
    QVERIFY(!sortedBy([](const Agent& a) { return a.companyName; }));
    QVERIFY(!sortedBy([](const Agent& a) { return a.legajo; }));
    QVERIFY(!sortedBy([](const Agent& a) { return a.legajo.toInt(); }));
}

void TestRegistry::loadFillsRowsOneTo107Only()
{
    AgentRegistry registry;
    QVERIFY(registry.row(1).legajo.isEmpty());
    registry.load();
    QCOMPARE(registry.row(1).legajo, builtInAgents().front().legajo);
    QCOMPARE(registry.row(107).cuit, builtInAgents().back().cuit);
    for (int row : {108, 142, 143, 1000}) {
        QVERIFY(registry.row(row).cuit.isEmpty());
        QVERIFY(registry.row(row).companyName.isEmpty());
        QVERIFY(registry.row(row).legajo.isEmpty());
    }
    // Outside the table reads as empty instead of out of bounds.
    QVERIFY(registry.row(0).legajo.isEmpty());
    QVERIFY(registry.row(1001).legajo.isEmpty());
}

void TestRegistry::lookup_data()
{
    QTest::addColumn<QString>("legajo");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("cuit");

    const Agent agent332 = *std::find_if(builtInAgents().begin(), builtInAgents().end(),
        [](const Agent& a) { return a.legajo == QLatin1String("332"); });
    QTest::newRow("known") << "332" << true << agent332.cuit;
    QTest::newRow("blanks around") << " 332 \t" << true << agent332.cuit;
    QTest::newRow("leading zero") << "0332" << false << QString();
    QTest::newRow("unknown") << "99998" << false << QString();
    QTest::newRow("part of a legajo") << "33" << false << QString();
    // The empty rows 108 to 142 match an empty legajo.
    QTest::newRow("empty") << "" << true << QString();
    QTest::newRow("blank") << "   " << true << QString();
}

void TestRegistry::lookup()
{
    QFETCH(QString, legajo);
    QFETCH(bool, found);
    QFETCH(QString, cuit);
    AgentRegistry registry;
    registry.load();
    const std::optional<Agent> agent = registry.lookup(legajo);
    QCOMPARE(agent.has_value(), found);
    if (agent)
        QCOMPARE(agent->cuit, cuit);
}

void TestRegistry::lastMatchWins()
{
    AgentRegistry registry;
    registry.load();
    registry.setRow(5, {QStringLiteral("30-11111111-1"), QStringLiteral("PRIMERA"), QStringLiteral("77777")});
    registry.setRow(140, {QStringLiteral("30-22222222-2"), QStringLiteral("SEGUNDA"), QStringLiteral("77777")});
    const std::optional<Agent> agent = registry.lookup(QStringLiteral("77777"));
    QVERIFY(agent);
    QCOMPARE(agent->companyName, QStringLiteral("SEGUNDA"));
    QCOMPARE(agent->cuit, QStringLiteral("30-22222222-2"));
}

void TestRegistry::rowsPast142AreNeverConsulted()
{
    AgentRegistry registry;
    registry.load();
    registry.setRow(142, {QStringLiteral("30-33333333-3"), QStringLiteral("FILA 142"), QStringLiteral("88881")});
    registry.setRow(143, {QStringLiteral("30-44444444-4"), QStringLiteral("FILA 143"), QStringLiteral("88882")});
    QVERIFY(registry.lookup(QStringLiteral("88881")));
    QVERIFY(!registry.lookup(QStringLiteral("88882")));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
