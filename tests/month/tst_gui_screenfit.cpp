// The window on the screen it gets. Built twice: on a desktop of 1280 x 1024
// at 100 % (the design fits: every control where the design puts it, nothing
// scrolls) and, with SCREEN_LAPTOP, on a laptop of 1366 x 768 at 150 %
// (QT_SCALE_FACTOR=1.5: 911 x 512 pixels of the design's size): the window
// within the screen's available area, its frame on it, the content
// scrolling, Tab bringing the focused control into view.
#include "tests/month/MonthWindow.h"
#include "tests/support/RecordLines.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

class TestGuiScreenFit : public QObject, public MonthWindow
{
    Q_OBJECT

private slots:
    void init() { begin(Files::Directory); }
    void cleanup() { finish(); }

#ifdef SCREEN_LAPTOP
    void windowWithinTheScreen();
    void tabReachesConfirmaInView();
    void resizedByHandStillScrolls();
#else
    void designKeptWhereItFits();
#endif

private:
    QRect available() const
    {
        return window->screen()->availableGeometry();
    }
    QScrollArea* scroll() const
    {
        return control<QScrollArea>("Desplazamiento");
    }
    // The control's rectangle on the screen.
    static QRect onScreen(const QWidget* widget)
    {
        return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    }
};

#ifdef SCREEN_LAPTOP

void TestGuiScreenFit::windowWithinTheScreen()
{
    QCOMPARE(window->screen()->geometry().size(), QSize(911, 512));
    const QRect frame = window->frameGeometry();
    QVERIFY2(available().contains(frame),
        qPrintable(
            QStringLiteral("frame %1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    QVERIFY(window->width() <= available().width());
    QVERIFY(window->height() <= available().height());
    // As much of the design as the screen holds; the rest scrolls.
    const QMargins margins = window->windowHandle()->frameMargins();
    QCOMPARE(window->height(), available().height() - margins.top() - margins.bottom());
    QVERIFY(scroll()->verticalScrollBar()->isVisible());
    QVERIFY(scroll()->horizontalScrollBar()->isVisible());
    QCOMPARE(control("Contenido")->size(), QSize(931, 655));
}

// With the header typed and a file imported, Tab goes round the focus order
// to CONFIRMA, which ends up inside the window and on the screen.
void TestGuiScreenFit::tabReachesConfirmaInView()
{
    enterHeader();
    import(writeFile("import.txt", recordlines::fileBytes({recordlines::goodRecord(1, 138000)})));
    QCOMPARE(linesShown(), 1);
    scroll()->verticalScrollBar()->setValue(0);
    auto* confirma = control<QPushButton>("B_Confirma");
    QVERIFY(!scroll()->viewport()->rect().contains(
        QRect(confirma->mapTo(scroll()->viewport(), QPoint(0, 0)), confirma->size())));
    for (int tab = 0; tab < 30 && focus() != confirma; ++tab) {
        press(Qt::Key_Tab);
        // Every control the focus reaches is in view.
        QWidget* now = focus();
        QVERIFY(now);
        const QRect inViewport(now->mapTo(scroll()->viewport(), QPoint(0, 0)), now->size());
        QVERIFY2(scroll()->viewport()->rect().intersects(inViewport), qPrintable(now->objectName()));
    }
    QCOMPARE(focus(), static_cast<QWidget*>(confirma));
    const QRect inViewport(confirma->mapTo(scroll()->viewport(), QPoint(0, 0)), confirma->size());
    QVERIFY(scroll()->viewport()->rect().contains(inViewport));
    QVERIFY(available().contains(onScreen(confirma)));
    // Enter there asks CONFIRMA's question.
    desktop.messages->answers = {false};
    press(Qt::Key_Space);
    QCOMPARE(desktop.messages->texts(), QStringList{"Confirma Generar Archivo con Caracter de DDJJ ?"});
}

// A window made smaller by hand cuts nothing: the content scrolls to every control.
void TestGuiScreenFit::resizedByHandStillScrolls()
{
    window->resize(400, 300);
    QTRY_COMPARE(scroll()->size(), QSize(400, 300));
    auto* version = control<QLabel>("StaticText12");
    scroll()->ensureWidgetVisible(version);
    const QRect inViewport(version->mapTo(scroll()->viewport(), QPoint(0, 0)), version->size());
    QVERIFY(scroll()->viewport()->rect().contains(inViewport));
}

#else

// The window opens with the design's client area and every control stands
// where the design puts it, relative to the window; nothing scrolls.
void TestGuiScreenFit::designKeptWhereItFits()
{
    QCOMPARE(window->size(), QSize(931, 655));
    QVERIFY(available().contains(window->frameGeometry()));
    QVERIFY(!scroll()->verticalScrollBar()->isVisible());
    QVERIFY(!scroll()->horizontalScrollBar()->isVisible());
    QCOMPARE(scroll()->geometry(), QRect(0, 0, 931, 655));
    const struct
    {
        const char* name;
        QRect design;
    } places[] = {
        {"Image2", {8, 8, 150, 81}},
        {"Panel1", {169, 85, 592, 80}},
        {"Grilla", {138, 421, 708, 129}},
        {"B3", {3, 467, 129, 25}},
        {"e_totreten", {283, 556, 102, 21}},
        {"B_Confirma", {398, 585, 126, 39}},
        {"StaticText12", {823, 585, 66, 17}},
        {"salida", {0, 635, 931, 20}},
    };
    for (const auto& place : places) {
        QWidget* widget = control(place.name);
        QCOMPARE(QRect(widget->mapTo(window.get(), QPoint(0, 0)), widget->size()), place.design);
    }
    // A window made larger keeps the controls and docks the status line.
    window->resize(1100, 800);
    QTRY_COMPARE(control("salida")->geometry(), QRect(0, 780, 1100, 20));
    QCOMPARE(control("B_Confirma")->mapTo(window.get(), QPoint(0, 0)), QPoint(398, 585));
}

#endif

QTEST_MAIN(TestGuiScreenFit)
#include "tst_gui_screenfit.moc"
