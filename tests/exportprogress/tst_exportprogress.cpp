#include "app/ExportProgress.h"
#include "report/ReportEngine.h"
#include "tests/support/MemoryDataSet.h"
#include "tests/support/RecordingFilter.h"

#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

ReportDefinition oneFieldReport()
{
    ReportControl field;
    field.kind = ControlKind::DataText;
    field.fieldName = QStringLiteral("N");
    field.height = 40;
    ReportBand detail;
    detail.type = BandType::Detail;
    detail.height = 50;
    detail.controls = {field};
    ReportDefinition report;
    report.bands = {detail};
    return report;
}

// A data set that, when it reaches record `clickAt`, queues a click on the
// window's cancel button, as a user's click waits in the event queue.
class ClickingDataSet : public MemoryDataSet
{
public:
    ClickingDataSet(int count, int clickAt, QPushButton* button)
        : MemoryDataSet({QStringLiteral("N")})
        , m_clickAt(clickAt)
        , m_button(button)
    {
        for (int i = 0; i < count; ++i)
            append({string(QStringLiteral("R%1").arg(i))});
    }
    void next() override
    {
        MemoryDataSet::next();
        if (++m_position == m_clickAt)
            QMetaObject::invokeMethod(m_button, &QPushButton::click, Qt::QueuedConnection);
    }

private:
    int m_clickAt;
    int m_position = 0;
    QPushButton* m_button;
};

}  // namespace

class TestExportProgress : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void completedRunShowsProgressAndCloses();
    void cancelStopsAfterTheCurrentRecord_data();
    void cancelStopsAfterTheCurrentRecord();
    void unknownCountShowsBusyBar();
};

void TestExportProgress::window()
{
    ExportProgress progress;
    QCOMPARE(progress.windowTitle(), QStringLiteral("Exporting Progress"));
    QVERIFY(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(progress.windowModality(), Qt::ApplicationModal);
    QVERIFY(progress.findChild<QProgressBar*>(QStringLiteral("ProgressBar")));
    QVERIFY(progress.findChild<QPushButton*>(QStringLiteral("CancelButton")));

    progress.exportStarted(10);
    QVERIFY(progress.isVisible());
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY(qAbs(progress.geometry().center().x() - screenCentre.x()) <= 1);
    QVERIFY(qAbs(progress.geometry().center().y() - screenCentre.y()) <= 1);
    progress.exportEnded();
    QVERIFY(!progress.isVisible());
}

void TestExportProgress::completedRunShowsProgressAndCloses()
{
    ExportProgress progress;
    auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    const ReportDefinition report = oneFieldReport();
    ClickingDataSet data(4, -1, nullptr);
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data, &progress), ExportOutcome::Completed);
    QCOMPARE(bar->value(), 100);
    QVERIFY(!progress.isVisible());
    QVERIFY(filter.sequence().endsWith(QLatin1Char('F')));
}

void TestExportProgress::cancelStopsAfterTheCurrentRecord_data()
{
    QTest::addColumn<int>("clickAt");
    QTest::newRow("first record") << 1;
    QTest::newRow("midway") << 37;
}

void TestExportProgress::cancelStopsAfterTheCurrentRecord()
{
    QFETCH(int, clickAt);
    ExportProgress progress;
    auto* button = progress.findChild<QPushButton*>(QStringLiteral("CancelButton"));
    const ReportDefinition report = oneFieldReport();
    ClickingDataSet data(100, clickAt, button);
    RecordingFilter filter;
    QCOMPARE(ReportEngine(report).ExportToFilter(filter, data, &progress), ExportOutcome::Cancelled);
    // The click was processed between two records: the record being printed
    // is the last one.
    QCOMPARE(int(filter.texts().size()), clickAt);
    QVERIFY(!filter.sequence().contains(QLatin1Char('F')));
    QVERIFY(!progress.isVisible());

    // The same window serves the next export afresh.
    ClickingDataSet again(3, -1, nullptr);
    RecordingFilter second;
    QCOMPARE(ReportEngine(report).ExportToFilter(second, again, &progress), ExportOutcome::Completed);
}

void TestExportProgress::unknownCountShowsBusyBar()
{
    ExportProgress progress;
    auto* bar = progress.findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    progress.exportStarted(-1);
    QCOMPARE(bar->maximum(), 0);
    progress.recordPrinted(1, -1);
    progress.exportEnded();
    progress.exportStarted(5);
    QCOMPARE(bar->maximum(), 100);
    progress.recordPrinted(1, 20);
    QCOMPARE(bar->value(), 20);
    progress.exportEnded();
}

QTEST_MAIN(TestExportProgress)
#include "tst_exportprogress.moc"
