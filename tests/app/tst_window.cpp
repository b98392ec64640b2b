#include "app/Ayuda.h"
#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "core/Error.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

const QString monthMessage = QStringLiteral("Atención error en el nro de mes !!!");
const QString yearMessage = QStringLiteral("Atención error en el año !!!");
const QString legajoMessage = QStringLiteral("Atención Legajo no existente !!!");
const QString resetQuestion = QStringLiteral("Esta seguro de Limpiar todo lo Ingresado ?");

enum class Phase { Header, MethodChoice, ManualEntry, AfterConfirmation };

}  // namespace

Q_DECLARE_METATYPE(Phase)

class TestWindow : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstAppearance();
    void layout_data();
    void layout();
    void fontsColoursAndSettings();
    void focusChainOrder();
    void tabAndPhasesThroughTheHeader();
    void statusLineStaysDockedWhenResized();

    void legajo_data();
    void legajo();
    void enterInLegajo_data();
    void enterInLegajo();
    void month_data();
    void month();
    void year_data();
    void year();
    void yearThatIsNoInteger();

    void refusedValueShowsItsBoxOnceWhenTheBoxTakesTheActivation();
    void digitFilter_data();
    void digitFilter();
    void clipboardShortcutsDoNothingInFilteredFields();
    void enterMovesOnInEmpresa();

    void escapeAsksTheResetQuestionInEveryPhase_data();
    void escapeAsksTheResetQuestionInEveryPhase();
    void escapeInMonthEndsWithTheMonthMessage();
    void escapeInATypedMaskedFieldDoesNotReset();

    void enterOnAFocusedButtonClicksIt();
    void lineNumberColumnIsFixed();
    void helpWindowShownTwiceKeepsTypedText();
    void errorsEndingAHandlerShowTheErrorBox();
    void closingEndsWithoutAQuestion();

private:
    void pressTab() { press(Qt::Key_Tab); }
    void bringToPhase(Phase phase);
    bool isHeaderPhase() const;
};

void TestWindow::init()
{
    begin(Files::None);
}

void TestWindow::cleanup()
{
    finish();
}

// Brings the window into a phase the way the user does, or, for the phases
// of later handlers, sets the controls those handlers change.
void TestWindow::bringToPhase(Phase phase)
{
    if (phase == Phase::Header)
        return;
    typeHeader(QStringLiteral("332"), QStringLiteral("3"), QStringLiteral("2026"));
    QVERIFY(!controls.Panel1->isEnabled());
    if (phase == Phase::ManualEntry) {
        controls.B_Confirma->setEnabled(true);
        controls.Panel2->show();
        controls.Panel3->hide();
        controls.empresa->setFocus();
        QTest::keyClicks(controls.empresa, QStringLiteral("FERRETERIA"));
    } else if (phase == Phase::AfterConfirmation) {
        controls.salida->setText(
            QStringLiteral("SU ARCHIVOS(TXT y PDF)FUERON GENERADOS EN  /x/ CON EL NOMBRE :26300332"));
        controls.salida->show();
        controls.B_Confirma->setEnabled(true);
        window->Limpia();
        controls.Panel3->hide();
        controls.Panel2->hide();
    }
    desktop.messages->shown.clear();
}

bool TestWindow::isHeaderPhase() const
{
    return controls.Panel1->isEnabled() && !controls.Panel3->isVisible() && !controls.Panel2->isVisible()
        && !controls.B_Confirma->isEnabled();
}

void TestWindow::firstAppearance()
{
    QCOMPARE(controls.heading(0), QString());
    const QStringList headings{"Nro.Comp.", "Fecha", "Importe Comp.", "Importe Ret.", "Empresa", "CUIT"};
    for (int column = 1; column <= 6; ++column)
        QCOMPARE(controls.heading(column), headings.at(column - 1));
    QCOMPARE(controls.shownRows(), 499);
    for (int row = 1; row <= 499; ++row) {
        for (int column = 0; column < 7; ++column)
            QVERIFY(controls.cell(row, column).isEmpty());
    }
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("0"));
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
    QVERIFY(!controls.B_Confirma->isEnabled());
    QVERIFY(!controls.Panel2->isVisible());
    QVERIFY(!controls.Panel3->isVisible());
    QVERIFY(!controls.salida->isVisible());
    QVERIFY(controls.Panel1->isEnabled());
    QVERIFY(window->agentRegistry().lookup(QStringLiteral("4505")).has_value());
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(window->windowTitle(), QString());
}

void TestWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    // Borderless captions may grow to their text; the others keep their size.
    QTest::addColumn<bool>("sizedToText");

    const struct
    {
        const char* name;
        int left, top, width, height;
        bool sizedToText;
    } controls[] = {
        {"Image2", 8, 8, 150, 81, false},
        {"Image1", 779, 13, 120, 58, false},
        {"StaticText11", 289, 8, 408, 23, false},
        {"Panel1", 169, 85, 592, 80, false},
        {"Panel3", 151, 171, 634, 78, false},
        {"Panel2", 33, 255, 856, 160, false},
        {"BitBtn2", 33, 421, 77, 25, false},
        {"Grilla", 138, 421, 708, 129, false},
        {"B3", 3, 467, 129, 25, false},
        {"StaticText13", 141, 560, 117, 17, true},
        {"e_totreten", 283, 556, 102, 21, false},
        {"B_Confirma", 398, 585, 126, 39, false},
        {"StaticText12", 823, 585, 66, 17, false},
        {"salida", 0, 635, 931, 20, false},
        {"StaticText1", 9, 9, 103, 20, false},
        {"e_legaJo", 125, 8, 68, 21, false},
        {"StaticText2", 199, 9, 121, 20, false},
        {"e_Mes", 326, 8, 66, 21, false},
        {"StaticText3", 412, 9, 86, 20, false},
        {"E_ano", 504, 7, 63, 21, false},
        {"StaticText4", 11, 49, 91, 20, false},
        {"e_Cuit", 125, 48, 118, 21, false},
        {"StaticText5", 268, 49, 77, 20, false},
        {"e_Razon", 351, 47, 228, 21, false},
        {"StaticText16", 224, 0, 171, 20, true},
        {"B1", 63, 18, 158, 39, false},
        {"B2", 390, 18, 152, 39, false},
        {"StaticText33", 90, 58, 442, 18, true},
        {"StaticText9", 6, 22, 94, 20, false},
        {"E_CuitReten", 121, 22, 118, 21, false},
        {"StaticText10", 250, 22, 85, 20, false},
        {"empresa", 355, 22, 230, 21, false},
        {"StaticText7", 593, 23, 98, 20, false},
        {"E_FECha", 699, 22, 88, 21, false},
        {"StaticText6", 5, 68, 169, 20, false},
        {"E_Comprobante", 180, 68, 124, 21, false},
        {"StaticText15", 315, 70, 130, 20, false},
        {"Impo_compro", 452, 69, 125, 21, false},
        {"StaticText8", 583, 69, 109, 20, false},
        {"E_Importe", 698, 69, 140, 21, false},
        {"B_adiciona", 365, 113, 126, 39, false},
    };
    for (const auto& control : controls)
        QTest::newRow(control.name) << QString::fromLatin1(control.name)
                                    << QRect(control.left, control.top, control.width, control.height)
                                    << control.sizedToText;
}

void TestWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(bool, sizedToText);
    QCOMPARE(window->size(), QSize(931, 655));
    auto* control = window->findChild<QWidget*>(name);
    QVERIFY(control);
    if (sizedToText) {
        QCOMPARE(control->pos(), geometry.topLeft());
        QCOMPARE(control->height(), geometry.height());
        QVERIFY(control->width() >= geometry.width());
        auto* label = qobject_cast<QLabel*>(control);
        QVERIFY(label);
        QVERIFY(control->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    } else {
        QCOMPARE(control->geometry(), geometry);
    }
}

void TestWindow::fontsColoursAndSettings()
{
    const auto fontOf = [this](const char* name) { return window->findChild<QWidget*>(name)->font(); };
    QCOMPARE(window->font().pixelSize(), 11);
    QCOMPARE(fontOf("StaticText11").pixelSize(), 16);
    QVERIFY(fontOf("StaticText11").bold());
    QCOMPARE(fontOf("StaticText1").pixelSize(), 13);
    QCOMPARE(fontOf("StaticText9").pixelSize(), 13);
    QCOMPARE(fontOf("salida").pixelSize(), 13);
    QVERIFY(fontOf("salida").bold());
    QCOMPARE(fontOf("StaticText12").pixelSize(), 11);
    QVERIFY(fontOf("StaticText12").bold());
    QCOMPARE(fontOf("StaticText16").family(), QStringLiteral("Arial"));
    QCOMPARE(fontOf("StaticText16").pixelSize(), 13);
    QCOMPARE(fontOf("StaticText33").pixelSize(), 11);
    QCOMPARE(fontOf("e_legaJo").pixelSize(), 11);

    QCOMPARE(controls.Panel1->palette().color(QPalette::Window), QColor(0xB0, 0xD8, 0xFF));
    QCOMPARE(controls.Panel2->palette().color(QPalette::Window), QColor(0xDC, 0xEA, 0xFA));
    QVERIFY(!controls.Panel3->autoFillBackground());
    QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(controls.e_totreten->palette().color(QPalette::Base), QColor(0x9B, 0xFF, 0xB5));
    QCOMPARE(controls.StaticText12->palette().color(QPalette::Window), QColor(0xFF, 0xFB, 0xF0));
    QCOMPARE(controls.salida->palette().color(QPalette::Window), QColor(0xFF, 0xA4, 0xD1));
    QVERIFY(controls.salida->autoFillBackground());
    QCOMPARE(controls.salida->alignment(), Qt::Alignment(Qt::AlignCenter));
    QCOMPARE(controls.Panel1->frameShadow(), QFrame::Raised);
    QCOMPARE(controls.Panel2->frameShadow(), QFrame::Raised);
    QCOMPARE(controls.StaticText12->frameShadow(), QFrame::Sunken);
    QCOMPARE(controls.StaticText11->frameShape(), QFrame::Box);
    QCOMPARE(controls.StaticText13->frameShape(), QFrame::NoFrame);

    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);

    QVERIFY(controls.e_Cuit->isReadOnly());
    QVERIFY(controls.e_Razon->isReadOnly());
    QVERIFY(controls.e_totreten->isReadOnly());
    QVERIFY(controls.E_Importe->isReadOnly());
    QCOMPARE(controls.empresa->maxLength(), 59);
    controls.empresa->setText(QStringLiteral("ferretería ñandú"));
    QCOMPARE(controls.empresa->text(), QStringLiteral("FERRETERÍA ÑANDÚ"));
    QCOMPARE(controls.E_CuitReten->displayText(), QStringLiteral("__-________-_"));
    QCOMPARE(controls.E_FECha->displayText(), QStringLiteral("__/__/____"));

    QCOMPARE(controls.Image2->pixmap().size(), QSize(150, 81));
    QCOMPARE(controls.Image1->pixmap().size(), QSize(120, 58));
    QVERIFY(controls.Image2->pixmap().hasAlphaChannel());
    QCOMPARE(controls.B_Confirma->icon().availableSizes().value(0), QSize(32, 32));
    QCOMPARE(controls.B1->icon().availableSizes().value(0), QSize(32, 32));
    QVERIFY(!controls.BitBtn2->icon().isNull());
    QVERIFY(controls.B3->icon().isNull());

    QTableView* grid = controls.Grilla;
    const int widths[] = {33, 78, 71, 73, 129, 57, 186};
    for (int column = 0; column < 7; ++column)
        QCOMPARE(grid->columnWidth(column), widths[column]);
    QCOMPARE(grid->rowHeight(0), 15);
    QCOMPARE(grid->rowHeight(498), 15);
    QCOMPARE(grid->toolTip(), QStringLiteral("DOBLE CLICK Borra Renglón"));
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(grid->showGrid());
    QVERIFY(!grid->horizontalHeader()->sectionsMovable());
    QCOMPARE(grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
}

void TestWindow::focusChainOrder()
{
    // Every control that takes the focus by Tab, in the order of the chain.
    const QList<QWidget*> expected{controls.e_legaJo, controls.e_Mes, controls.E_ano, controls.Grilla,
        controls.B_Confirma, controls.E_CuitReten, controls.empresa, controls.E_FECha, controls.E_Comprobante,
        controls.Impo_compro, controls.E_Importe, controls.B_adiciona, controls.e_totreten, controls.B3,
        controls.BitBtn2, controls.B1, controls.B2};
    QList<QWidget*> chain;
    QWidget* widget = controls.e_legaJo;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            chain << widget;
        widget = widget->nextInFocusChain();
    } while (widget != controls.e_legaJo);
    QCOMPARE(chain, expected);
    QCOMPARE(controls.e_Cuit->focusPolicy(), Qt::ClickFocus);
    QCOMPARE(controls.e_Razon->focusPolicy(), Qt::ClickFocus);
}

void TestWindow::tabAndPhasesThroughTheHeader()
{
    // Header phase: the hidden panels and the disabled CONFIRMA are skipped.
    controls.Grilla->setFocus();
    const QList<QWidget*> header{controls.e_totreten, controls.B3, controls.BitBtn2, controls.e_legaJo};
    for (QWidget* next : header) {
        pressTab();
        QCOMPARE(focus(), next);
    }
    // Each header field has the focus when its keys come.
    typeHeader(QStringLiteral("4505"), QStringLiteral("3"), QStringLiteral("2026"), Qt::Key_Tab, Focus::Checked);
    // Method choice: header locked, load-method panel shown.
    QCOMPARE(focus(), static_cast<QWidget*>(controls.Grilla));
    QVERIFY(!controls.Panel1->isEnabled());
    QVERIFY(controls.Panel3->isVisible());
    QVERIFY(!controls.Panel2->isVisible());
    QVERIFY(!controls.B_Confirma->isEnabled());
    const QList<QWidget*> methodChoice{
        controls.e_totreten, controls.B3, controls.BitBtn2, controls.B1, controls.B2, controls.Grilla};
    for (QWidget* next : methodChoice) {
        pressTab();
        QCOMPARE(focus(), next);
    }
    QVERIFY(desktop.messages->shown.isEmpty());
    QCOMPARE(desktop.beep->count, 0);
}

void TestWindow::statusLineStaysDockedWhenResized()
{
    const QRect gridBefore = controls.Grilla->geometry();
    window->resize(1100, 720);
    QCOMPARE(controls.salida->geometry(), QRect(0, 700, 1100, 20));
    window->resize(700, 500);
    QCOMPARE(controls.salida->geometry(), QRect(0, 480, 700, 20));
    QCOMPARE(controls.Grilla->geometry(), gridBefore);
}

void TestWindow::legajo_data()
{
    QTest::addColumn<QString>("legajo");
    QTest::addColumn<bool>("exists");
    QTest::newRow("in the registry") << "332" << true;
    QTest::newRow("other agent") << "4505" << true;
    QTest::newRow("leading zero") << "0332" << false;
    QTest::newRow("unknown") << "99998" << false;
    QTest::newRow("empty matches the empty rows") << "" << true;
}

void TestWindow::legajo()
{
    QFETCH(QString, legajo);
    QFETCH(bool, exists);
    QVERIFY(!window->agentRegistry().lookup(QStringLiteral("99998")));
    controls.e_Mes->setText(QStringLiteral("3"));
    controls.E_ano->setText(QStringLiteral("2026"));
    controls.e_Cuit->setText(QStringLiteral("earlier"));
    QTest::keyClicks(controls.e_legaJo, legajo);
    pressTab();

    QCOMPARE(controls.e_legaJo->text(), legajo);
    if (exists) {
        const Agent agent = *window->agentRegistry().lookup(legajo);
        QVERIFY(desktop.messages->shown.isEmpty());
        QCOMPARE(controls.e_Cuit->text(), agent.cuit);
        QCOMPARE(controls.e_Razon->text(), agent.companyName);
        QCOMPARE(controls.e_Mes->text(), QStringLiteral("3"));
        QCOMPARE(controls.E_ano->text(), QStringLiteral("2026"));
        QCOMPARE(focus(), static_cast<QWidget*>(controls.e_Mes));
        if (legajo.isEmpty())
            QVERIFY(controls.e_Cuit->text().isEmpty());
    } else {
        QCOMPARE(desktop.messages->texts(), QStringList{legajoMessage});
        QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Information);
        QVERIFY(controls.e_Cuit->text().isEmpty());
        QVERIFY(controls.e_Razon->text().isEmpty());
        QVERIFY(controls.e_Mes->text().isEmpty());
        QVERIFY(controls.E_ano->text().isEmpty());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
    }
}

void TestWindow::enterInLegajo_data()
{
    QTest::addColumn<QString>("legajo");
    QTest::addColumn<QString>("endsIn");
    QTest::addColumn<int>("messages");
    QTest::newRow("found") << "332"
                           << "e_Mes" << 0;
    QTest::newRow("refused") << "12"
                             << "e_legaJo" << 1;
}

void TestWindow::enterInLegajo()
{
    QFETCH(QString, legajo);
    QFETCH(QString, endsIn);
    QFETCH(int, messages);
    QTest::keyClicks(controls.e_legaJo, legajo);
    QTest::keyClick(controls.e_legaJo, Qt::Key_Return);
    QCOMPARE(focus()->objectName(), endsIn);
    QCOMPARE(desktop.messages->shown.size(), messages);
    QCOMPARE(desktop.beep->count, 0);
    QCOMPARE(controls.e_legaJo->text(), legajo);
}

void TestWindow::month_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("12") << "12" << true;
    QTest::newRow("012") << "012" << true;
    QTest::newRow("03") << "03" << true;
    QTest::newRow("13") << "13" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("00") << "00" << false;
    QTest::newRow("empty") << "" << false;
}

void TestWindow::month()
{
    QFETCH(QString, month);
    QFETCH(bool, accepted);
    typeHeader(QStringLiteral("332"), month);
    QCOMPARE(controls.e_Mes->text(), month);
    if (accepted) {
        QVERIFY(desktop.messages->shown.isEmpty());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.E_ano));
    } else {
        // Exactly one box, however many rules the value breaks.
        QCOMPARE(desktop.messages->texts(), QStringList{monthMessage});
        QCOMPARE(focus(), static_cast<QWidget*>(controls.e_Mes));
    }
}

void TestWindow::year_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("2014") << "2014" << false;
    QTest::newRow("2015") << "2015" << true;
    QTest::newRow("2030") << "2030" << true;
    QTest::newRow("2031") << "2031" << false;
    QTest::newRow("02020 as typed") << "02020" << true;
    QTest::newRow("empty") << "" << false;
}

void TestWindow::year()
{
    QFETCH(QString, year);
    QFETCH(bool, accepted);
    typeHeader(QStringLiteral("332"), QStringLiteral("3"), year);
    QCOMPARE(controls.E_ano->text(), year);
    if (accepted) {
        QVERIFY(desktop.messages->shown.isEmpty());
        QVERIFY(!controls.Panel1->isEnabled());
        QVERIFY(controls.Panel3->isVisible());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.Grilla));
    } else {
        QCOMPARE(desktop.messages->texts(), QStringList{yearMessage});
        QVERIFY(controls.Panel1->isEnabled());
        QVERIFY(!controls.Panel3->isVisible());
        QCOMPARE(focus(), static_cast<QWidget*>(controls.E_ano));
    }
}

void TestWindow::yearThatIsNoInteger()
{
    typeHeader(QStringLiteral("332"), QStringLiteral("3"), QStringLiteral("99999999999"));
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
    QCOMPARE(desktop.messages->shown.first().text, QStringLiteral("''99999999999'' is not a valid integer value"));
    // The check stopped: the focus went on, the header stays editable.
    QCOMPARE(focus(), static_cast<QWidget*>(controls.Grilla));
    QVERIFY(controls.Panel1->isEnabled());
    QVERIFY(!controls.Panel3->isVisible());
    QCOMPARE(controls.E_ano->text(), QStringLiteral("99999999999"));
    // The program goes on: a good year is taken afterwards.
    controls.E_ano->setFocus();
    controls.E_ano->setText(QStringLiteral("2026"));
    pressTab();
    QVERIFY(controls.Panel3->isVisible());
}

void TestWindow::refusedValueShowsItsBoxOnceWhenTheBoxTakesTheActivation()
{
    // Each box takes the activation away from the window and gives it back,
    // as a real modal box does.
    QWidget box;
    TF_Retenciones* main = window.get();
    desktop.messages->whileShown = [&box, main](const ShownBox&) {
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.hide();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
    };
    typeHeader(QStringLiteral("332"), QStringLiteral("13"));
    QTRY_COMPARE(focus(), static_cast<QWidget*>(controls.e_Mes));
    QTest::qWait(20);
    QCOMPARE(desktop.messages->texts(), QStringList{monthMessage});

    // Losing and regaining the activation alone runs no check.
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    box.hide();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::qWait(20);
    QCOMPARE(desktop.messages->shown.size(), 1);

    // A refused legajo empties the month and keeps the focus in the legajo.
    controls.e_Mes->setText(QStringLiteral("3"));
    controls.e_legaJo->setFocus();
    QTest::keyClick(controls.e_legaJo, Qt::Key_End);
    QTest::keyClicks(controls.e_legaJo, QStringLiteral("1"));
    pressTab();
    QTRY_COMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
    QTest::qWait(20);
    QCOMPARE(desktop.messages->texts(), (QStringList{monthMessage, legajoMessage}));
}

void TestWindow::digitFilter_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digit") << "e_Mes" << int(Qt::Key_5) << "5"
                           << "15" << 0;
    QTest::newRow("letter") << "e_Mes" << int(Qt::Key_A) << "a"
                            << "1" << 1;
    QTest::newRow("blank") << "e_legaJo" << int(Qt::Key_Space) << " "
                           << "1" << 1;
    QTest::newRow("minus") << "E_ano" << int(Qt::Key_Minus) << "-"
                           << "1" << 1;
    QTest::newRow("point") << "E_ano" << int(Qt::Key_Period) << "."
                           << "1" << 1;
    QTest::newRow("backspace") << "e_Mes" << int(Qt::Key_Backspace) << "\b"
                               << "" << 0;
    QTest::newRow("arrow untouched") << "e_legaJo" << int(Qt::Key_Left) << ""
                                     << "1" << 0;
    QTest::newRow("delete untouched") << "e_Mes" << int(Qt::Key_Delete) << ""
                                      << "1" << 0;
}

void TestWindow::digitFilter()
{
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, result);
    QFETCH(int, beeps);
    auto* edit = window->findChild<QLineEdit*>(field);
    edit->setText(QStringLiteral("1"));
    edit->setFocus();
    edit->setCursorPosition(1);
    desktop.messages->shown.clear();
    QTest::keyClick(edit, Qt::Key(key), Qt::NoModifier);
    if (key == Qt::Key_Delete) {
        // Delete acts on the character after the cursor: none here.
        QCOMPARE(edit->text(), result);
    } else {
        QCOMPARE(edit->text(), result);
    }
    QCOMPARE(desktop.beep->count, beeps);
    Q_UNUSED(text);
}

void TestWindow::clipboardShortcutsDoNothingInFilteredFields()
{
    QApplication::clipboard()->setText(QStringLiteral("12"));
    controls.e_Mes->setFocus();
    controls.e_Mes->setText(QStringLiteral("3"));
    QTest::keyClick(controls.e_Mes, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(controls.e_Mes->text(), QStringLiteral("3"));
    QCOMPARE(desktop.beep->count, 1);
    controls.e_Mes->selectAll();
    QTest::keyClick(controls.e_Mes, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(controls.e_Mes->text(), QStringLiteral("3"));
    QTest::keyClick(controls.e_Mes, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("12"));
    QCOMPARE(desktop.beep->count, 3);
}

void TestWindow::enterMovesOnInEmpresa()
{
    bringToPhase(Phase::ManualEntry);
    QCOMPARE(focus(), static_cast<QWidget*>(controls.empresa));
    QTest::keyClick(controls.empresa, Qt::Key_Return);
    QCOMPARE(focus(), static_cast<QWidget*>(controls.E_FECha));
    QCOMPARE(controls.empresa->text(), QStringLiteral("FERRETERIA"));
    QCOMPARE(desktop.beep->count, 0);
}

void TestWindow::escapeAsksTheResetQuestionInEveryPhase_data()
{
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<bool>("answer");
    QTest::newRow("header, No") << Phase::Header << false;
    QTest::newRow("header, Yes") << Phase::Header << true;
    QTest::newRow("method choice, No") << Phase::MethodChoice << false;
    QTest::newRow("method choice, Yes") << Phase::MethodChoice << true;
    QTest::newRow("manual entry, No") << Phase::ManualEntry << false;
    QTest::newRow("manual entry, Yes") << Phase::ManualEntry << true;
    QTest::newRow("after confirmation, No") << Phase::AfterConfirmation << false;
    QTest::newRow("after confirmation, Yes") << Phase::AfterConfirmation << true;
}

void TestWindow::escapeAsksTheResetQuestionInEveryPhase()
{
    QFETCH(Phase, phase);
    QFETCH(bool, answer);
    if (phase == Phase::Header) {
        QTest::keyClicks(controls.e_legaJo, QStringLiteral("332"));
    }
    bringToPhase(phase);
    addToDeclaration({{"1", "123", "01/03/2026", "1234.50", "6", "EMPRESA", "30-12345678-1"}});

    const bool panel1 = controls.Panel1->isEnabled();
    const bool panel2 = controls.Panel2->isVisible();
    const bool panel3 = controls.Panel3->isVisible();
    const bool confirma = controls.B_Confirma->isEnabled();
    const bool status = controls.salida->isVisible();
    const QString legajo = controls.e_legaJo->text();
    QWidget* focusBefore = focus();

    desktop.messages->answers = {answer};
    QTest::keyClick(focus(), Qt::Key_Escape);
    QCOMPARE(desktop.messages->texts(), QStringList{resetQuestion});
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Question);

    if (!answer) {
        QCOMPARE(controls.Panel1->isEnabled(), panel1);
        QCOMPARE(controls.Panel2->isVisible(), panel2);
        QCOMPARE(controls.Panel3->isVisible(), panel3);
        QCOMPARE(controls.B_Confirma->isEnabled(), confirma);
        QCOMPARE(controls.e_legaJo->text(), legajo);
        QCOMPARE(controls.cell(1, 1), QStringLiteral("123"));
        QCOMPARE(declaration().nextRow(), 2);
        QCOMPARE(controls.e_totreten->text(), QStringLiteral("6"));
        QCOMPARE(focus(), focusBefore);
        return;
    }
    QVERIFY(isHeaderPhase());
    QCOMPARE(controls.salida->isVisible(), status);
    QVERIFY(controls.e_legaJo->text().isEmpty());
    QVERIFY(controls.empresa->text().isEmpty());
    QVERIFY(controls.cell(1, 1).isEmpty());
    QVERIFY(controls.cell(1, 0).isEmpty());
    QCOMPARE(controls.heading(1), QStringLiteral("Nro.Comp."));
    QCOMPARE(declaration().nextRow(), 1);
    QCOMPARE(controls.e_totreten->text(), QStringLiteral("0"));
    QCOMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
}

void TestWindow::escapeInMonthEndsWithTheMonthMessage()
{
    QTest::keyClicks(controls.e_legaJo, QStringLiteral("332"));
    pressTab();
    QTest::keyClicks(controls.e_Mes, QStringLiteral("5"));
    desktop.messages->answers = {true};
    QTest::keyClick(controls.e_Mes, Qt::Key_Escape);
    // The reset empties the month before it moves the focus away from it.
    QCOMPARE(desktop.messages->texts(), (QStringList{resetQuestion, monthMessage}));
    QCOMPARE(focus(), static_cast<QWidget*>(controls.e_Mes));
    QVERIFY(controls.e_Mes->text().isEmpty());
    QVERIFY(isHeaderPhase());
}

void TestWindow::escapeInATypedMaskedFieldDoesNotReset()
{
    bringToPhase(Phase::ManualEntry);
    controls.E_CuitReten->setFocus();
    QTest::keyClicks(controls.E_CuitReten, QStringLiteral("20"));
    QVERIFY(controls.E_CuitReten->hasUserInput());
    QTest::keyClick(controls.E_CuitReten, Qt::Key_Escape);
    QCOMPARE(desktop.messages->texts(), QStringList());
    QVERIFY(controls.Panel2->isVisible());
    // Once the program has set its text, Esc resets again.
    controls.E_CuitReten->clear();
    QTest::keyClick(controls.E_CuitReten, Qt::Key_Escape);
    QCOMPARE(desktop.messages->texts(), QStringList{resetQuestion});
}

void TestWindow::enterOnAFocusedButtonClicksIt()
{
    controls.B3->setFocus();
    QTest::keyClick(controls.B3, Qt::Key_Return);
    QCOMPARE(desktop.messages->texts(), QStringList{resetQuestion});
}

void TestWindow::lineNumberColumnIsFixed()
{
    for (int row = 1; row <= 5; ++row)
        addToDeclaration({{QString::number(row), QString::number(100 + row), "", "", "1", "", ""}});
    QTableView* grid = controls.Grilla;
    const auto cellCentre = [grid](int modelRow, int column) {
        return grid->visualRect(grid->model()->index(modelRow, column)).center();
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(2, 3));
    QCOMPARE(grid->currentIndex().row(), 2);
    QVERIFY(grid->selectionModel()->isRowSelected(2, QModelIndex()));
    // A click on the line-number column changes neither the row nor the selection.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(4, 0));
    QCOMPARE(grid->currentIndex().row(), 2);
    QVERIFY(!grid->selectionModel()->isRowSelected(4, QModelIndex()));
    // Nor can a cell be edited in place.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(3, 2));
    QVERIFY(!grid->isPersistentEditorOpen(grid->model()->index(3, 2)));
    QVERIFY(!grid->indexWidget(grid->model()->index(3, 2)));
    QVERIFY(!grid->findChild<QLineEdit*>());
}

void TestWindow::helpWindowShownTwiceKeepsTypedText()
{
    QTest::mouseClick(controls.BitBtn2, Qt::LeftButton);
    TF_ayuda* help = helpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowModality(), Qt::ApplicationModal);
    QCOMPARE(help->windowTitle(), QStringLiteral("Ayuda"));
    QCOMPARE(help->size(), QSize(518, 382));
    QCOMPARE(help->Memo1->geometry(), QRect(80, 72, 385, 233));
    const QStringList lines = help->Memo1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 21);
    QCOMPARE(lines.first(), QStringLiteral("Esta Aplicación permite generar archivo de retenciones para ser "));
    QCOMPARE(lines.at(2), QString());
    QCOMPARE(lines.at(4), QStringLiteral("presentacion y  Año"));
    QCOMPARE(lines.last(), QStringLiteral("de miles Coma (,)"));

    help->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(help->Memo1, QStringLiteral(" nota"));
    help->close();
    QVERIFY(!help->isVisible());
    QTest::mouseClick(controls.BitBtn2, Qt::LeftButton);
    QCOMPARE(helpWindow(), help);
    QVERIFY(help->isVisible());
    QVERIFY(help->Memo1->toPlainText().endsWith(QStringLiteral("de miles Coma (,) nota")));
    help->close();
    QVERIFY(desktop.messages->shown.isEmpty());
}

void TestWindow::errorsEndingAHandlerShowTheErrorBox()
{
    bool ranOn = false;
    window->runHandler([] {
        Error error(QStringLiteral("Cannot create file \"x\""));
        error.setDetail(QStringLiteral("Permission denied"));
        throw error;
    });
    window->runHandler([&ranOn] { ranOn = true; });
    QVERIFY(ranOn);
    QCOMPARE(desktop.messages->shown.size(), 1);
    QCOMPARE(desktop.messages->shown.first().kind, ShownBox::Error);
    QCOMPARE(desktop.messages->shown.first().text, QStringLiteral("Cannot create file \"x\""));
    QCOMPARE(desktop.messages->shown.first().detail, QStringLiteral("Permission denied"));
}

void TestWindow::closingEndsWithoutAQuestion()
{
    QTest::keyClicks(controls.e_legaJo, QStringLiteral("332"));
    // The hidden help window does not keep the program running.
    QVERIFY(helpWindow());
    QApplication::setQuitOnLastWindowClosed(true);
    bool closed = false;
    QTimer::singleShot(0, window.get(), [this, &closed] { closed = window->close(); });
    QTimer::singleShot(5000, qApp, [] { QApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(closed);
    QVERIFY(desktop.messages->shown.isEmpty());
}

int main(int argc, char** argv)
{
    prepareStartup();
    QApplication application(argc, argv);
    configureApplication(application);
    application.setQuitOnLastWindowClosed(false);
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
