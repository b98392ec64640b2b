#include "core/Error.h"
#include "declaration/AmountWords.h"
#include "declaration/CertificateFiles.h"
#include "declaration/CertificateReport.h"
#include "declaration/Certificates.h"
#include "report/PDFDocumentFilter.h"
#include "report/PdfOutput.h"
#include "tests/pdf/PdfFiles.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/RecordLines.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const certificates::Period March2026{QStringLiteral("3"), QStringLiteral("2026"), QStringLiteral("332")};
const QDate IssueDate(2026, 4, 2);

struct TestLine
{
    QString cuit;
    QString name;
    int receiptNumber;
    qint64 receiptCents;
    QString day = QStringLiteral("15");
};

QString recordOf(const TestLine& line)
{
    return recordlines::record(line.cuit, QStringLiteral("202603") + line.day,
        QString::number(line.receiptCents / 200).rightJustified(11, QLatin1Char('0')),
        QString::number(line.receiptNumber).rightJustified(13, QLatin1Char('0')), line.name,
        QString::number(line.receiptCents).rightJustified(11, QLatin1Char('0')));
}

const QString CuitA = QStringLiteral("20-12345678-6");
const QString CuitB = QStringLiteral("30-70707070-7");
const QString CuitC = QStringLiteral("23-34567890-4");
const QString NameA = QStringLiteral("ÑANDÚ CONSTRUCCIONES SA");
const QString NameB = QStringLiteral("PEÑA HNOS SRL");
const QString NameC = QStringLiteral("LÓPEZ Y CÍA");

// Three suppliers whose lines are not consecutive: A, B, A, C, B.
QList<TestLine> threeSuppliers()
{
    return {
        {CuitA, NameA, 101, 12345600},
        {CuitB, NameB, 102, 100000, QStringLiteral("03")},
        {CuitA, QStringLiteral("OTRO NOMBRE DE A"), 103, 100000, QStringLiteral("20")},
        {CuitC, NameC, 104, 2000000},
        {CuitB, NameB, 105, 300000, QStringLiteral("31")},
    };
}


// Runs as the user "nobody" (its group alone) while it lives when the tests
// run as root, so that a folder's permissions hold for the program.
class AsPlainUser
{
public:
    AsPlainUser()
        : m_wasRoot(::geteuid() == 0)
    {
        if (!m_wasRoot)
            return;
        m_groups.resize(size_t(qMax(0, ::getgroups(0, nullptr))));
        if (::getgroups(int(m_groups.size()), m_groups.data()) < 0)
            return;
        m_changed = ::setgroups(0, nullptr) == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~AsPlainUser()
    {
        if (!m_wasRoot)
            return;
        (void)::seteuid(0);
        (void)::setegid(0);
        (void)::setgroups(m_groups.size(), m_groups.data());
    }
    bool ok() const { return !m_wasRoot || m_changed; }

private:
    bool m_wasRoot;
    bool m_changed = false;
    std::vector<gid_t> m_groups;
};

// Every file below `folder`, with its bytes, by relative path.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        files.insert(relative, it.fileInfo().isDir() ? QByteArray("<folder>") : pdffiles::readFile(path));
    }
    return files;
}

// The document with the creation date left out, the one thing that differs
// from one run to the next.
QByteArray withoutCreationDate(QByteArray document)
{
    const qsizetype from = document.indexOf("/CreationDate (");
    const qsizetype to = from < 0 ? -1 : document.indexOf(')', from);
    if (to > from)
        document.remove(from, to - from + 1);
    return document;
}

// The certificates of `count` suppliers from `first` in a run of their own.
QByteArray separateRun(const CertificateReport& report, size_t first, size_t count)
{
    pdfoutput::MemorySink bytes;
    PDFDocumentFilter writer(bytes);
    report.exportTo(writer, first, count);
    return bytes.bytes();
}

QStringList pagesOf(const QString& path)
{
    const ToolResult text = runTool(QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (text.exitCode != 0 || !text.err.isEmpty())
        qWarning() << "pdftotext:" << text.exitCode << text.err;
    QStringList pages = text.out.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Blanks between words as pdftotext -layout spaces them count as one.
QString simplified(const QString& text)
{
    return text.simplified();
}

}  // namespace

class TestCertificates : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void amountInWords_data();
    void amountInWords();
    void groupsBySupplierInOrderOfFirstLine();
    void supplierCuits_data();
    void supplierCuits();
    void certificatesReadBack();
    void supplierFiles();
    void supplierOnTwoPages();
    void oneRunGivesTheSeparateDocuments();
    void secondRunGivesTheSameBytes();
    void periodWithoutFile();
    void fileWithoutLines();
    void fileTheReaderRefuses_data();
    void fileTheReaderRefuses();
    void fullDiskKeepsTheEarlierSet();
    void readOnlyFoldersKeepTheEarlierSet_data();
    void readOnlyFoldersKeepTheEarlierSet();
    void replacesTheEarlierSetKeepingTheAgentsFiles();
    void leftoversOfAStoppedRun();

private:
    QString writeDeclaration(const QList<TestLine>& lines);
    certificates::Result generate();
    QString directory() const { return m_directory->path() + QLatin1Char('/'); }
    QString combined() const { return directory() + QStringLiteral("26300332-constancias.pdf"); }
    QString folder() const { return directory() + QStringLiteral("26300332-constancias"); }

    std::unique_ptr<QTemporaryDir> m_directory;
};

void TestCertificates::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    QVERIFY(m_directory->isValid());
    // The folder a plain user must be able to enter (the read-only test).
    QFile::setPermissions(m_directory->path(),
        QFile::permissions(m_directory->path()) | QFile::ExeOther | QFile::ReadOther | QFile::ExeGroup
            | QFile::ReadGroup);
}

QString TestCertificates::writeDeclaration(const QList<TestLine>& lines)
{
    QStringList records;
    for (const TestLine& line : lines)
        records << recordOf(line);
    const QString path = directory() + QStringLiteral("26300332.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(recordlines::fileBytes(records)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther);
    return path;
}

// The set in place and the earlier one's removal over.
certificates::Result TestCertificates::generate()
{
    const certificates::Result result = certificates::generate(directory(), March2026, IssueDate);
    certificatefiles::finishClearing();
    return result;
}

void TestCertificates::amountInWords_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("words");
    QTest::newRow("the example") << qint64(123400) << "MIL DOSCIENTOS TREINTA Y CUATRO CON 00/100";
    QTest::newRow("zero pesos") << qint64(50) << "CERO CON 50/100";
    QTest::newRow("one") << qint64(100) << "UNO CON 00/100";
    QTest::newRow("accented teens and twenties") << qint64(1600) << "DIECISÉIS CON 00/100";
    QTest::newRow("twenty-two") << qint64(2205) << "VEINTIDÓS CON 05/100";
    QTest::newRow("twenty-one at the end") << qint64(2100) << "VEINTIUNO CON 00/100";
    QTest::newRow("thirty-one") << qint64(3100) << "TREINTA Y UNO CON 00/100";
    QTest::newRow("a hundred alone") << qint64(10000) << "CIEN CON 00/100";
    QTest::newRow("a hundred and one") << qint64(10100) << "CIENTO UNO CON 00/100";
    QTest::newRow("five hundred") << qint64(50000) << "QUINIENTOS CON 00/100";
    QTest::newRow("a thousand") << qint64(100000) << "MIL CON 00/100";
    QTest::newRow("shortened before thousand") << qint64(2100005) << "VEINTIÚN MIL CON 05/100";
    QTest::newRow("thirty-one thousand") << qint64(3100000) << "TREINTA Y UN MIL CON 00/100";
    QTest::newRow("a hundred and one thousand") << qint64(10100000) << "CIENTO UN MIL CON 00/100";
    QTest::newRow("a million and a thousand") << qint64(100100000) << "UN MILLÓN MIL CON 00/100";
    QTest::newRow("twenty-one millions") << qint64(2100000000) << "VEINTIÚN MILLONES CON 00/100";
    QTest::newRow("the largest withholding of a line")
        << qint64(99999999999)
        << "NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTOS NOVENTA Y NUEVE MIL "
           "NOVECIENTOS NOVENTA Y NUEVE CON 99/100";
    QTest::newRow("a thousand millions") << qint64(100000000000) << "MIL MILLONES CON 00/100";
    QTest::newRow("a billion") << Q_INT64_C(100000000000000) << "UN BILLÓN CON 00/100";
    QTest::newRow("the largest amount in hundredths")
        << std::numeric_limits<qint64>::max()
        << "NOVENTA Y DOS MIL DOSCIENTOS TREINTA Y TRES BILLONES SETECIENTOS VEINTE MIL TRESCIENTOS SESENTA Y "
           "OCHO MILLONES QUINIENTOS CUARENTA Y SIETE MIL SETECIENTOS CINCUENTA Y OCHO CON 07/100";
    QTest::newRow("negative") << qint64(-123400) << "MENOS MIL DOSCIENTOS TREINTA Y CUATRO CON 00/100";
    QTest::newRow("the most negative") << std::numeric_limits<qint64>::min()
                                       << "MENOS NOVENTA Y DOS MIL DOSCIENTOS TREINTA Y TRES BILLONES SETECIENTOS "
                                          "VEINTE MIL TRESCIENTOS SESENTA Y OCHO MILLONES QUINIENTOS CUARENTA Y "
                                          "SIETE MIL SETECIENTOS CINCUENTA Y OCHO CON 08/100";
}

void TestCertificates::amountInWords()
{
    QFETCH(qint64, cents);
    QFETCH(QString, words);
    QCOMPARE(amountwords::inWords(cents), words);
}

void TestCertificates::groupsBySupplierInOrderOfFirstLine()
{
    const QString path = writeDeclaration(threeSuppliers());
    const certificates::Declaration declaration = certificates::readDeclaration(path, March2026);
    QCOMPARE(declaration.legajo, QStringLiteral("00332"));
    QCOMPARE(declaration.period(), QStringLiteral("03/2026"));
    QCOMPARE(declaration.agentCuit, QStringLiteral("30-71234567-1"));
    QCOMPARE(declaration.agentName, QStringLiteral("MUNICIPAL SERVICIOS SRL"));
    QCOMPARE(declaration.lineCount, qint64(5));
    QCOMPARE(declaration.suppliers.size(), size_t(3));

    QStringList found;
    for (const certificates::Supplier& supplier : declaration.suppliers) {
        QStringList receipts;
        for (const certificates::Line& line : supplier.lines)
            receipts << line.receiptNumber + QLatin1Char(' ') + line.date + QLatin1Char(' ') + line.receiptAmount
                    + QLatin1Char(' ') + line.withheldAmount;
        found << supplier.number + QLatin1Char(' ') + supplier.cuit + QLatin1Char(' ') + supplier.name
                + QLatin1Char(' ') + QString::number(supplier.totalCents) + QStringLiteral(": ")
                + receipts.join(QStringLiteral(", "));
    }
    // The company name of a supplier's first line; lines in file order.
    QCOMPARE(found,
        (QStringList{
            "00332-202603-0001 20-12345678-6 ÑANDÚ CONSTRUCCIONES SA 62228: 0000000000101 15/03/2026 123456.00 617.28, "
            "0000000000103 20/03/2026 1000.00 5.00",
            "00332-202603-0002 30-70707070-7 PEÑA HNOS SRL 2000: 0000000000102 03/03/2026 1000.00 5.00, "
            "0000000000105 31/03/2026 3000.00 15.00",
            "00332-202603-0003 23-34567890-4 LÓPEZ Y CÍA 10000: 0000000000104 15/03/2026 20000.00 100.00",
        }));
}

void TestCertificates::supplierCuits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cuit");
    QTest::newRow("as written") << "20-12345678-6"
                                << "20-12345678-6";
    QTest::newRow("eleven digits") << "20123456786"
                                   << "20-12345678-6";
    QTest::newRow("dashes elsewhere") << "201-2345678-6"
                                      << "";
    QTest::newRow("ten digits") << "2012345678"
                                << "";
    QTest::newRow("a path") << "../../etc/x"
                            << "";
    QTest::newRow("other digits") << "٢٠-12345678-6"
                                  << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCertificates::supplierCuits()
{
    QFETCH(QString, text);
    QFETCH(QString, cuit);
    QCOMPARE(certificates::normalizedCuit(text), cuit);
}

// Every certificate of the combined file as pdftotext reads it: its own
// supplier, lines, total, words and number, and none of the others' lines.
void TestCertificates::certificatesReadBack()
{
    writeDeclaration(threeSuppliers());
    const certificates::Result result = generate();
    QCOMPARE(result.outcome, certificates::Outcome::Written);
    QCOMPARE(result.suppliers, 3);
    QCOMPARE(result.message(), "Constancias generadas: 3 proveedores en " + folder());
    QCOMPARE(pdffiles::problems(combined()), QString());

    const QStringList pages = pagesOf(combined());
    QCOMPARE(pages.size(), 3);
    struct Expected
    {
        QString number;
        QString supplier;
        QStringList lines;
        QString total;
        QString words;
        QStringList others;
    };
    const Expected expected[] = {
        {"Nº 00332-202603-0001", NameA + " CUIT: " + CuitA,
            {"0000000000101 15/03/2026 123456.00 0.5 % 617.28", "0000000000103 20/03/2026 1000.00 0.5 % 5.00"},
            "Total retenido 622.28", "Son pesos SEISCIENTOS VEINTIDÓS CON 28/100", {"0000000000102", "0000000000104"}},
        {"Nº 00332-202603-0002", NameB + " CUIT: " + CuitB,
            {"0000000000102 03/03/2026 1000.00 0.5 % 5.00", "0000000000105 31/03/2026 3000.00 0.5 % 15.00"},
            "Total retenido 20.00", "Son pesos VEINTE CON 00/100", {"0000000000101", "0000000000104"}},
        {"Nº 00332-202603-0003", NameC + " CUIT: " + CuitC, {"0000000000104 15/03/2026 20000.00 0.5 % 100.00"},
            "Total retenido 100.00", "Son pesos CIEN CON 00/100", {"0000000000101", "0000000000105"}},
    };
    for (int page = 0; page < 3; ++page) {
        const QString text = simplified(pages[page]);
        const Expected& want = expected[page];
        for (const QString& part :
            QStringList{"CONSTANCIA DE RETENCIÓN", want.number, "DDJJ Agentes de Retención", "Período: 03/2026",
                "Agente de retención Razón social: MUNICIPAL SERVICIOS SRL", "CUIT: 30-71234567-1 Legajo: 00332",
                "Sujeto retenido Razón social: " + want.supplier,
                "Nro. Comprobante Fecha Importe Comprobante Alícuota Importe Retenido", want.total, want.words,
                "Fecha de emisión: 02/04/2026", "Firma y aclaración del agente de retención"}
                + want.lines) {
            QVERIFY2(text.contains(part),
                qPrintable(QStringLiteral("page %1 lacks \"%2\":\n%3").arg(page + 1).arg(part, text)));
        }
        for (const QString& other : want.others)
            QVERIFY2(!text.contains(other), qPrintable(QStringLiteral("page %1 shows %2").arg(page + 1).arg(other)));
    }
    // The fonts the text names are the two faces of Arial, not embedded.
    const ToolResult fonts = runTool(QStringLiteral("pdffonts"), {combined()});
    QCOMPARE(fonts.err, QString());
    QVERIFY2(fonts.out.contains(QLatin1String("Arial,Bold")), qPrintable(fonts.out));
    const ToolResult mutool = runTool(QStringLiteral("mutool"), {QStringLiteral("info"), combined()});
    QVERIFY2(mutool.exitCode == 0 && !mutool.err.contains(QLatin1String("error")), qPrintable(mutool.err));
}

void TestCertificates::supplierFiles()
{
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{CuitA + ".pdf", CuitC + ".pdf", CuitB + ".pdf"}));
    const QStringList combinedPages = pagesOf(combined());
    const QString cuits[] = {CuitA, CuitB, CuitC};
    for (int supplier = 0; supplier < 3; ++supplier) {
        const QString path = folder() + QLatin1Char('/') + cuits[supplier] + ".pdf";
        QCOMPARE(pdffiles::problems(path), QString());
        const QStringList pages = pagesOf(path);
        QCOMPARE(pages.size(), 1);
        // The same certificate alone: the page as the combined file has it.
        QCOMPARE(pages[0], combinedPages[supplier]);
    }
    // Nothing else was left beside the declaration: no temporary file or folder.
    QCOMPARE(QDir(directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{"26300332-constancias", "26300332-constancias.pdf", "26300332.txt"}));
}

void TestCertificates::supplierOnTwoPages()
{
    // 28 lines fit the first page with the total below them; 40 continue.
    QList<TestLine> lines{{CuitB, NameB, 1, 100000}};
    for (int i = 0; i < 40; ++i)
        lines << TestLine{CuitA, NameA, 1000 + i, 100000 + i * 100};
    lines << TestLine{CuitC, NameC, 2, 100000};
    writeDeclaration(lines);
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    QCOMPARE(pdffiles::problems(combined()), QString());

    const QStringList pages = pagesOf(combined());
    QCOMPARE(pages.size(), 4);
    const QString first = simplified(pages[1]);
    const QString second = simplified(pages[2]);
    // The number, the supplier and the table heading on both pages; the
    // lines split between them in order; the total on the second alone.
    for (const QString& text : {first, second}) {
        QVERIFY(text.contains("Nº 00332-202603-0002"));
        QVERIFY(text.contains("Sujeto retenido Razón social: " + NameA + " CUIT: " + CuitA));
        QVERIFY(text.contains("Nro. Comprobante Fecha Importe Comprobante Alícuota Importe Retenido"));
    }
    static const QRegularExpression receipt(QStringLiteral("00000000010(\\d\\d) "));
    QList<int> onFirst, onSecond;
    for (auto match = receipt.globalMatch(first); match.hasNext();)
        onFirst << match.next().captured(1).toInt();
    for (auto match = receipt.globalMatch(second); match.hasNext();)
        onSecond << match.next().captured(1).toInt();
    QVERIFY2(onFirst.size() > 20 && onFirst.size() + onSecond.size() == 40, qPrintable(first));
    for (int i = 0; i < 40; ++i)
        QCOMPARE(i < onFirst.size() ? onFirst[i] : onSecond[i - onFirst.size()], i);
    QVERIFY(!first.contains("Total retenido"));
    // 40 lines of 5.00 to 5.19 ... : 0.5 % of 1000.00 + i, truncated as the file holds it.
    qint64 total = 0;
    for (int i = 0; i < 40; ++i)
        total += (100000 + i * 100) / 200;
    QVERIFY2(second.contains("Total retenido " + QString::number(total / 100) + "."
                 + QString::number(total % 100).rightJustified(2, '0')),
        qPrintable(second));
    QVERIFY(simplified(pages[3]).contains("Nº 00332-202603-0003"));
    // The supplier's own file holds the same two pages.
    QCOMPARE(pagesOf(folder() + "/" + CuitA + ".pdf"), (QStringList{pages[1], pages[2]}));
}

// The suppliers' documents split from the run over them all are the
// documents of runs over each supplier alone, a supplier on two pages and
// one whose footer goes to a page of its own included.
void TestCertificates::oneRunGivesTheSeparateDocuments()
{
    QList<TestLine> lines = threeSuppliers();
    for (int i = 0; i < 40; ++i)
        lines.insert(2, TestLine{CuitB, NameB, 1000 + i, 100000});
    for (int i = 0; i < 30; ++i)
        lines << TestLine{QStringLiteral("27-11111111-3"), QStringLiteral("NUEVO"), 2000 + i, 100000};
    const certificates::Declaration declaration = certificates::readDeclaration(writeDeclaration(lines), March2026);
    QCOMPARE(declaration.suppliers.size(), size_t(4));
    CertificateReport report(declaration, IssueDate);
    QList<size_t> order;
    QList<QByteArray> documents;
    const QByteArray whole = report.pdfOfAll([&](size_t supplier, const QByteArray& document) {
        order << supplier;
        documents << document;
    });
    QCOMPARE(order, (QList<size_t>{0, 1, 2, 3}));
    for (size_t i = 0; i < 4; ++i)
        QCOMPARE(withoutCreationDate(documents[qsizetype(i)]), withoutCreationDate(separateRun(report, i, 1)));
    QCOMPARE(withoutCreationDate(whole), withoutCreationDate(separateRun(report, 0, 4)));
    // B's 42 lines take two pages; the 30 lines of the last supplier fill
    // the first page, and its total goes to a second one.
    QCOMPARE(documents[1].count("/Type /Page\r\n"), 2);
    QCOMPARE(documents[3].count("/Type /Page\r\n"), 2);
    QCOMPARE(whole.count("/Type /Page\r\n"), 6);
}

void TestCertificates::secondRunGivesTheSameBytes()
{
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    const QMap<QString, QByteArray> first = snapshot(directory());
    QTest::qWait(1100);  // another second of creation
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    const QMap<QString, QByteArray> second = snapshot(directory());
    QCOMPARE(second.keys(), first.keys());
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        const QByteArray& again = second.value(it.key());
        if (!it.key().endsWith(".pdf")) {
            QCOMPARE(again, it.value());
            continue;
        }
        QVERIFY2(again.contains("/CreationDate ("), qPrintable(it.key()));
        // The creation date has the same length from one second to the next,
        // so the cross-reference table is the same too.
        QCOMPARE(withoutCreationDate(again), withoutCreationDate(it.value()));
    }
}

void TestCertificates::periodWithoutFile()
{
    const certificates::Result result = generate();
    QCOMPARE(result.outcome, certificates::Outcome::NoDeclarationFile);
    QCOMPARE(result.message(), "Atención no existe la DDJJ " + directory() + "26300332.txt !!!");
    QCOMPARE(QDir(directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
}

void TestCertificates::fileWithoutLines()
{
    writeDeclaration({});
    const certificates::Result result = generate();
    QCOMPARE(result.outcome, certificates::Outcome::NoLines);
    QCOMPARE(result.message(),
        "Atención la DDJJ " + directory() + "26300332.txt no tiene retenciones, no se generan constancias !!!");
    QCOMPARE(QDir(directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{"26300332.txt"});
}

void TestCertificates::fileTheReaderRefuses_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("message");
    QTest::newRow("control character in a company name")
        << 60 << "\x01"
        << "Carácter de control \\x01 en la línea 2, posición 60 (Razón Social): no se carga ninguna línea del "
           "archivo";
    QTest::newRow("control character in the agent's name")
        << 130 << "\x1f"
        << "Carácter de control \\x1F en la línea 2, posición 130 (Razón Social Agente): no se carga ninguna línea "
           "del archivo";
    QTest::newRow("withheld amount that is no number") << 30 << "X"
                                                       << "'00X000005.00' is not a valid floating point value";
    QTest::newRow("supplier CUIT that is no CUIT")
        << 1 << "X"
        << "El CUIT del proveedor \"X0-70707070-7\" no es un CUIT (NN-NNNNNNNN-N): no se genera ninguna constancia";
}

void TestCertificates::fileTheReaderRefuses()
{
    QFETCH(int, position);
    QFETCH(QString, replacement);
    QFETCH(QString, message);
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    const QMap<QString, QByteArray> earlier = snapshot(directory());

    QStringList records;
    for (const TestLine& line : threeSuppliers())
        records << recordOf(line);
    records[1].replace(position - 1, 1, replacement);
    QFile file(directory() + "26300332.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(recordlines::fileBytes(records));
    file.close();
    const QMap<QString, QByteArray> withBrokenFile = snapshot(directory());
    try {
        generate();
        QFAIL("the file was not refused");
    } catch (const Error& error) {
        QCOMPARE(error.message(), message);
        QCOMPARE(error.detail(), "Archivo: " + directory() + "26300332.txt\nLínea: 2");
    }
    QCOMPARE(snapshot(directory()), withBrokenFile);
    QVERIFY(withBrokenFile.value("26300332-constancias.pdf") == earlier.value("26300332-constancias.pdf"));
}

void TestCertificates::fullDiskKeepsTheEarlierSet()
{
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    // The next declaration of the period has one supplier less.
    QList<TestLine> lines = threeSuppliers();
    lines.removeAt(4);
    lines.removeAt(1);
    writeDeclaration(lines);
    const QMap<QString, QByteArray> earlier = snapshot(directory());
    const qint64 certificateSize = QFileInfo(folder() + "/" + CuitA + ".pdf").size();
    // Room for the suppliers' files, none for the combined file; then none at all.
    for (const rlim_t limit : {rlim_t(certificateSize + 100), rlim_t(4000)}) {
        {
            const FileSizeLimit full(limit);
            QVERIFY(full.isSet());
            try {
                generate();
                QFAIL("nothing failed");
            } catch (const Error& error) {
                QVERIFY2(error.message().startsWith("No se generaron las constancias: la DDJJ y las constancias "
                                                    "anteriores quedan como estaban. No se puede crear el archivo"),
                    qPrintable(error.message()));
                QVERIFY2(error.message().contains("File too large"), qPrintable(error.message()));
            }
        }
        QCOMPARE(snapshot(directory()), earlier);
    }
    QCOMPARE(generate().suppliers, 2);
}

void TestCertificates::readOnlyFoldersKeepTheEarlierSet_data()
{
    QTest::addColumn<bool>("declarationFolder");
    QTest::newRow("the declaration's folder") << true;
    QTest::newRow("the suppliers' folder") << false;
}

void TestCertificates::readOnlyFoldersKeepTheEarlierSet()
{
    QFETCH(bool, declarationFolder);
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    const QMap<QString, QByteArray> earlier = snapshot(directory());
    const QString locked = declarationFolder ? m_directory->path() : folder();
    const QFile::Permissions permissions = QFile::permissions(locked);
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QString message;
    {
        const AsPlainUser plain;
        QVERIFY(plain.ok());
        try {
            generate();
        } catch (const Error& error) {
            message = error.message();
        }
    }
    QVERIFY(QFile::setPermissions(locked, permissions));
    QVERIFY2(message.startsWith("No se generaron las constancias: la DDJJ y las constancias anteriores quedan como "
                                "estaban. No se puede crear el archivo \""
                 + folder() + "\""),
        qPrintable(message));
    QVERIFY2(message.contains("Permission denied"), qPrintable(message));
    QCOMPARE(snapshot(directory()), earlier);
}

// Certificates of suppliers no longer declared go; what the agent put in the
// folder stays, files and folders.
void TestCertificates::replacesTheEarlierSetKeepingTheAgentsFiles()
{
    writeDeclaration(threeSuppliers());
    QCOMPARE(generate().outcome, certificates::Outcome::Written);
    const QByteArray note = "enviadas por correo el 03/04\n";
    {
        QFile notes(folder() + "/notas.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write(note);
    }
    QVERIFY(QDir(folder()).mkpath("enviadas/abril"));
    QVERIFY(QFile::copy(folder() + "/" + CuitB + ".pdf", folder() + "/enviadas/abril/" + CuitB + ".pdf"));
    const QByteArray sentCopy = pdffiles::readFile(folder() + "/" + CuitB + ".pdf");

    QList<TestLine> lines = threeSuppliers();
    lines.removeAt(4);
    lines.removeAt(1);  // B's lines
    lines << TestLine{QStringLiteral("27-11111111-3"), QStringLiteral("NUEVO PROVEEDOR"), 106, 100000};
    writeDeclaration(lines);
    const certificates::Result result = generate();
    QCOMPARE(result.suppliers, 3);
    QCOMPARE(snapshot(folder()).keys(),
        (QStringList{CuitA + ".pdf", CuitC + ".pdf", "27-11111111-3.pdf", "enviadas", "enviadas/abril",
            "enviadas/abril/" + CuitB + ".pdf", "notas.txt"}));
    QCOMPARE(pdffiles::readFile(folder() + "/notas.txt"), note);
    QCOMPARE(pdffiles::readFile(folder() + "/enviadas/abril/" + CuitB + ".pdf"), sentCopy);
    QCOMPARE(QDir(directory()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{"26300332-constancias", "26300332-constancias.pdf", "26300332.txt"}));
    QCOMPARE(pagesOf(combined()).size(), 3);
    QVERIFY(simplified(pagesOf(combined())[2]).contains("NUEVO PROVEEDOR CUIT: 27-11111111-3"));
}

// A run killed after writing leaves hidden files; the next run clears what
// is its own and leaves what holds anything of the agent's.
void TestCertificates::leftoversOfAStoppedRun()
{
    writeDeclaration(threeSuppliers());
    QVERIFY(QDir(directory()).mkpath(".26300332-constancias.Ab12Cd"));
    QVERIFY(QFile::copy(directory() + "26300332.txt", directory() + ".26300332-constancias.Ab12Cd/" + CuitA + ".pdf"));
    QVERIFY(QDir(directory()).mkpath(".26300332-constancias.Ef34Gh/enviadas"));
    QVERIFY(QFile::copy(directory() + "26300332.txt", directory() + ".26300332-constancias.Ef34Gh/" + CuitB + ".pdf"));
    QVERIFY(QFile::copy(directory() + "26300332.txt", directory() + ".26300332-constancias.pdf.Xy9876"));
    QVERIFY(QFile::copy(directory() + "26300332.txt", directory() + ".26300332-constancias.pdf.notas"));
    QCOMPARE(generate().suppliers, 3);
    QCOMPARE(snapshot(directory()).keys().filter(QRegularExpression("^\\.")),
        (QStringList{".26300332-constancias.Ef34Gh", ".26300332-constancias.Ef34Gh/enviadas",
            ".26300332-constancias.pdf.notas"}));
}

QTEST_MAIN(TestCertificates)
#include "tst_certificates.moc"
