#pragma once

#include "app/Ayuda.h"
#include "app/MaskEdit.h"
#include "app/Retenciones.h"
#include "app/Startup.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FakeCollaborators.h"
#include "tests/support/WindowControls.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// The main window as the program starts it, with the boxes, the beep and the
// file dialog of a FakeDesktop, its controls found by their object names, and
// the helpers that type into it the way a user does: keys into the control,
// then Tab or Enter to move on.
class WindowFixture
{
public:
    enum class Files {
        None,          // no program directory, no database
        Directory,     // the temporary directory itself is the program directory
        WithDatabase,  // program directory "program/" and RETENCIONES.FDB beside it
    };

    std::unique_ptr<QTemporaryDir> directory;
    QString programDirectory;  // ends with a separator
    QString database;
    FakeDesktop desktop;
    std::unique_ptr<TF_Retenciones> window;
    // The window's controls, found again by every start.
    WindowControls controls;

    // A new desktop, directory and database as `files` asks, then the window.
    void begin(Files files)
    {
        end();
        directory.reset();
        programDirectory.clear();
        database.clear();
        desktop = FakeDesktop();
        if (files != Files::None) {
            directory = std::make_unique<QTemporaryDir>();
            QVERIFY(directory->isValid());
            programDirectory = directory->path() + QLatin1Char('/');
        }
        if (files == Files::WithDatabase) {
            QVERIFY(QDir(directory->path()).mkdir(QStringLiteral("program")));
            programDirectory = directory->filePath(QStringLiteral("program")) + QLatin1Char('/');
            database = fixture::createDatabase(*directory, QStringLiteral("RETENCIONES.FDB"));
        }
        start();
    }

    // Starts the window again on the same desktop, directory and database.
    void start() { start(desktop.collaborators(programDirectory, database)); }
    // Starts the window with collaborators of the test's own.
    void start(Collaborators collaborators)
    {
        window = createWindows(std::move(collaborators));
        controls = WindowControls::of(*window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_COMPARE(focus(), static_cast<QWidget*>(controls.e_legaJo));
    }

    void end()
    {
        window.reset();
        controls = WindowControls();
    }
    // The window, then its files.
    void finish()
    {
        end();
        directory.reset();
    }

    // The declaration the window shows: its lines, counter and total.
    const Declaration& declaration() const { return window->declaration(); }
    // Lines added to the declaration the way ADICIONA adds them: in the rows
    // from its counter on, their withholdings joining the total.
    void addToDeclaration(const std::vector<WithholdingLine>& lines)
    {
        for (const WithholdingLine& line : lines)
            window->declaration().addLine(line);
    }
    // The line of a grid row deleted the way a double click deletes it.
    void deleteLine(int gridRow) { window->declaration().deleteLine(gridRow); }
    // The help window the start made.
    TF_ayuda* helpWindow() const { return window->findChild<TF_ayuda*>(QStringLiteral("F_ayuda")); }

    static QWidget* focus() { return QApplication::focusWidget(); }
    static void press(Qt::Key key) { QTest::keyClick(focus(), key); }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Keys into `field`. Letters beyond ASCII come with their Latin-1 key
    // code and their text, as a Spanish keyboard sends them.
    static void type(QWidget* field, const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(field, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }
    // Keys into whatever has the focus.
    static void type(const QString& text) { type(focus(), text); }

    // Whether each field must have the focus before its keys come.
    enum class Focus { Unchecked, Checked };

    // Legajo, month and year typed into their fields, each left with `leave`;
    // a null year leaves the year untouched.
    void typeHeader(const QString& legajo, const QString& month, const QString& year = QString(),
        Qt::Key leave = Qt::Key_Tab, Focus focusCheck = Focus::Unchecked)
    {
        if (!typeField(controls.e_legaJo, legajo, leave, focusCheck)
            || !typeField(controls.e_Mes, month, leave, focusCheck) || year.isNull())
            return;
        typeField(controls.E_ano, year, leave, focusCheck);
    }

    enum class Adiciona { Enter, Click };

    // One line typed field by field from the CUIT on, Enter moving on; the
    // amount's Enter puts the focus on ADICIONA, which is then pressed with
    // Enter or clicked.
    void typeLine(const QString& cuit, const QString& company, const QString& date, const QString& receipt,
        const QString& amount, Adiciona adiciona = Adiciona::Enter)
    {
        if (!typeField(controls.E_CuitReten, cuit, Qt::Key_Return, Focus::Checked)
            || !typeField(controls.empresa, company, Qt::Key_Return, Focus::Checked)
            || !typeField(controls.E_FECha, date, Qt::Key_Return, Focus::Checked)
            || !typeField(controls.E_Comprobante, receipt, Qt::Key_Return, Focus::Checked)
            || !typeField(controls.Impo_compro, amount, Qt::Key_Return, Focus::Checked))
            return;
        QCOMPARE(focus(), static_cast<QWidget*>(controls.B_adiciona));
        if (adiciona == Adiciona::Click)
            click(controls.B_adiciona);
        else
            press(Qt::Key_Return);
    }

private:
    // The keys into `field`, then `leave` into whatever has the focus by
    // then; false once the test has failed.
    static bool typeField(QWidget* field, const QString& text, Qt::Key leave, Focus focusCheck)
    {
        if (focusCheck == Focus::Checked && !QTest::qCompare(focus(), field, "focus()", "field", __FILE__, __LINE__))
            return false;
        type(field, text);
        // A window that has not got the activation back yet (after a box or
        // the progress window) has no focus widget; the key goes to the field.
        QTest::keyClick(focus() ? focus() : field, leave);
        return !QTest::currentTestFailed();
    }
};
