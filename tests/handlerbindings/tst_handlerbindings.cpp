#include "app/HandlerBindings.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace {

enum class Move { Tab, Program, Click };
// What the box of a refused value does with the window's activation.
enum class Box { KeepsNoActivation, GivesActivationBack, StaysActive };

// A window of three fields and a button, bound through one HandlerBindings
// whose runner counts the handlers it runs.
struct BoundWindow
{
    QWidget window;
    QLineEdit* first = new QLineEdit(&window);
    QLineEdit* second = new QLineEdit(&window);
    QLineEdit* third = new QLineEdit(&window);
    QPushButton* button = new QPushButton(QStringLiteral("OK"), &window);
    int handlersRun = 0;
    HandlerBindings bindings{&window, [this](const std::function<void()>& handler) {
                                 ++handlersRun;
                                 handler();
                             }};

    BoundWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* control : std::initializer_list<QWidget*>{first, second, third, button})
            layout->addWidget(control);
        button->setAutoDefault(false);
    }
};

}  // namespace

Q_DECLARE_METATYPE(Move)
Q_DECLARE_METATYPE(Box)

class TestHandlerBindings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exitRunsWhenTheFocusGoesToAnotherControl_data();
    void exitRunsWhenTheFocusGoesToAnotherControl();
    void noExitWhenAnotherWindowTakesTheActivation();
    void refusedValueShowsOneBoxOnly_data();
    void refusedValueShowsOneBoxOnly();
    void leaveCheckKeepsTheFieldWithoutItsHandler();

    void keyHandlers_data();
    void keyHandlers();
    void enterOnAFocusedButtonClicksIt();

private:
    void showAndFocusFirst();
    static void activate(QWidget* window);

    std::unique_ptr<BoundWindow> bound;
};

void TestHandlerBindings::init()
{
    bound = std::make_unique<BoundWindow>();
}

void TestHandlerBindings::cleanup()
{
    bound.reset();
}

void TestHandlerBindings::activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

void TestHandlerBindings::showAndFocusFirst()
{
    activate(&bound->window);
    bound->first->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->first));
}

void TestHandlerBindings::exitRunsWhenTheFocusGoesToAnotherControl_data()
{
    QTest::addColumn<Move>("move");
    QTest::newRow("Tab") << Move::Tab;
    QTest::newRow("focus move made by the program") << Move::Program;
    QTest::newRow("click on another field") << Move::Click;
}

void TestHandlerBindings::exitRunsWhenTheFocusGoesToAnotherControl()
{
    QFETCH(Move, move);
    int firstExits = 0;
    int secondExits = 0;
    bound->bindings.bindExit(bound->first, [&] { ++firstExits; });
    bound->bindings.bindExit(bound->second, [&] { ++secondExits; });
    showAndFocusFirst();

    if (move == Move::Tab)
        QTest::keyClick(bound->first, Qt::Key_Tab);
    else if (move == Move::Program)
        bound->second->setFocus(Qt::OtherFocusReason);
    else
        QTest::mouseClick(bound->second, Qt::LeftButton);

    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->second));
    QCOMPARE(firstExits, 1);
    QCOMPARE(secondExits, 0);
    QCOMPARE(bound->handlersRun, 1);

    // Back to a control that has no exit handler of its own is another exit.
    bound->third->setFocus(Qt::OtherFocusReason);
    QCOMPARE(firstExits, 1);
    QCOMPARE(secondExits, 1);
}

void TestHandlerBindings::noExitWhenAnotherWindowTakesTheActivation()
{
    int exits = 0;
    bound->bindings.bindExit(bound->first, [&] { ++exits; });
    showAndFocusFirst();

    QWidget box;
    auto* boxField = new QLineEdit(&box);
    activate(&box);
    boxField->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(boxField));
    QCOMPARE(exits, 0);

    // The focus comes back to the field it left: still nothing was left.
    activate(&bound->window);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->first));
    QCOMPARE(exits, 0);

    bound->second->setFocus(Qt::OtherFocusReason);
    QCOMPARE(exits, 1);
}

void TestHandlerBindings::refusedValueShowsOneBoxOnly_data()
{
    QTest::addColumn<Box>("box");
    QTest::newRow("box leaves the activation alone") << Box::KeepsNoActivation;
    QTest::newRow("box gives the activation back before the focus is put back") << Box::GivesActivationBack;
    QTest::newRow("box still active while the focus is put back") << Box::StaysActive;
}

void TestHandlerBindings::refusedValueShowsOneBoxOnly()
{
    QFETCH(Box, box);
    QStringList boxes;
    QWidget boxWindow;
    // Each field refuses its value: a box, then the focus put back. Putting it
    // back leaves the other field, whose check must not fire as well. (The
    // count stops a loop of boxes, so that a missing guard fails here.)
    const auto refuse = [&](QLineEdit* field, const QString& message) {
        return [&, field, message] {
            boxes << message;
            if (boxes.size() > 4)
                return;
            if (box != Box::KeepsNoActivation)
                activate(&boxWindow);
            if (box == Box::GivesActivationBack) {
                boxWindow.hide();
                activate(&bound->window);
            }
            field->setFocus(Qt::OtherFocusReason);
        };
    };
    bound->bindings.bindExit(bound->first, refuse(bound->first, QStringLiteral("first")));
    bound->bindings.bindExit(bound->second, refuse(bound->second, QStringLiteral("second")));
    showAndFocusFirst();

    QTest::keyClick(bound->first, Qt::Key_Tab);
    if (box == Box::StaysActive) {
        boxWindow.hide();
        activate(&bound->window);
    }
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->first));
    QCOMPARE(boxes, QStringList{QStringLiteral("first")});

    // The guard is over once the handler has ended: the next exit is checked.
    boxes.clear();
    bound->bindings.bindExit(bound->first, [&] { boxes << QStringLiteral("accepted"); });
    QTest::keyClick(bound->first, Qt::Key_Tab);
    QCOMPARE(boxes, QStringList{QStringLiteral("accepted")});
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->second));
}

void TestHandlerBindings::leaveCheckKeepsTheFieldWithoutItsHandler()
{
    int exits = 0;
    QList<QWidget*> checked;
    bound->bindings.bindExit(bound->first, [&] { ++exits; });
    bound->bindings.setLeaveCheck([&](QWidget* field) {
        checked << field;
        static_cast<QLineEdit*>(field)->setFocus();
        return false;
    });
    showAndFocusFirst();

    QTest::keyClick(bound->first, Qt::Key_Tab);
    QCOMPARE(checked, QList<QWidget*>{bound->first});
    QCOMPARE(exits, 0);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bound->first));
}

void TestHandlerBindings::keyHandlers_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    // The characters the handler gets, and what it answers: an empty answer
    // drops the key, the same character lets it through.
    QTest::addColumn<QString>("seen");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("text");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("digit let through") << int(Qt::Key_5) << none << "5"
                                       << "5"
                                       << "5";
    QTest::newRow("letter dropped") << int(Qt::Key_X) << none << "x"
                                    << ""
                                    << "";
    QTest::newRow("letter typed as another") << int(Qt::Key_A) << none << "a"
                                             << "B"
                                             << "B";
    QTest::newRow("Enter is a carriage return") << int(Qt::Key_Return) << none << "\r"
                                                << ""
                                                << "";
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << "\b"
                               << ""
                               << "";
    QTest::newRow("Esc") << int(Qt::Key_Escape) << none << "\x1b"
                         << ""
                         << "";
    QTest::newRow("Ctrl+C is character 3") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << "\x03"
                                           << ""
                                           << "";
    QTest::newRow("Tab does not reach it") << int(Qt::Key_Tab) << none << ""
                                           << ""
                                           << "";
    QTest::newRow("arrow does not reach it") << int(Qt::Key_Left) << none << ""
                                             << ""
                                             << "";
}

void TestHandlerBindings::keyHandlers()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, seen);
    QFETCH(QString, answer);
    QFETCH(QString, text);

    QString got;
    bound->bindings.bindKeyPress(bound->first, [&](QChar& typed) {
        got += typed;
        typed = answer.isEmpty() ? QChar() : answer.at(0);
    });
    showAndFocusFirst();

    QTest::keyClick(bound->first, Qt::Key(key), modifiers);
    QCOMPARE(got, seen);
    QCOMPARE(bound->first->text(), text);
    QCOMPARE(bound->handlersRun, seen.size());
}

void TestHandlerBindings::enterOnAFocusedButtonClicksIt()
{
    int clicks = 0;
    bound->bindings.bindClick(bound->button, [&] { ++clicks; });
    activate(&bound->window);
    bound->button->setFocus();

    QTest::keyClick(bound->button, Qt::Key_Return);
    QCOMPARE(clicks, 1);
    QTest::keyClick(bound->button, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(clicks, 2);
    QTest::mouseClick(bound->button, Qt::LeftButton);
    QCOMPARE(clicks, 3);
    QCOMPARE(bound->handlersRun, 3);
}

QTEST_MAIN(TestHandlerBindings)
#include "tst_handlerbindings.moc"
