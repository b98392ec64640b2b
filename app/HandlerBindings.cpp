#include "app/HandlerBindings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace {

// The character a key types: Ctrl with a letter types the control character
// of that letter (Ctrl+C is 3, Ctrl+V 22, Ctrl+X 24); Enter, Backspace and Esc
// type their control characters; keys that type nothing give null.
QChar typedCharacter(const QKeyEvent* keyEvent)
{
    const int key = keyEvent->key();
    const Qt::KeyboardModifiers modifiers = keyEvent->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (modifiers == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(char16_t(key - Qt::Key_A + 1));
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return QChar(u'\r');
    if (key == Qt::Key_Backspace)
        return QChar(u'\b');
    if (key == Qt::Key_Escape)
        return QChar(u'\x1b');
    if (!keyEvent->text().isEmpty() && (modifiers & (Qt::ControlModifier | Qt::AltModifier)) == 0)
        return keyEvent->text().at(0);
    return QChar();
}

}  // namespace

HandlerBindings::HandlerBindings(QWidget* window, Runner runner)
    : m_window(window)
    , m_runner(std::move(runner))
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

void HandlerBindings::bindExit(QWidget* field, std::function<void()> handler)
{
    m_exitHandlers[field] = std::move(handler);
}

void HandlerBindings::bindKeyPress(QWidget* field, std::function<void(QChar&)> handler)
{
    m_keyHandlers[field] = std::move(handler);
    field->installEventFilter(this);
}

void HandlerBindings::bindClick(QAbstractButton* button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, [this, handler] { m_runner(handler); });
    m_buttons.push_back(button);
    button->installEventFilter(this);
}

void HandlerBindings::focusChanged(QWidget* now)
{
    if (!now || now->window() != m_window)
        return;  // only another window took the focus: no control was left
    QWidget* left = m_focusControl;
    m_focusControl = now;
    if (m_exitCheckDepth > 0 || !left || left == now)
        return;
    if (m_exitHandlers.count(left))
        runExitCheck(left);
}

void HandlerBindings::runExitCheck(QWidget* field)
{
    const auto handler = m_exitHandlers.find(field);
    if (handler == m_exitHandlers.end())
        return;
    ++m_exitCheckDepth;
    if (!m_leaveCheck || m_leaveCheck(field))
        m_runner(handler->second);
    --m_exitCheckDepth;
    // Where the handler left the focus, also when the window was inactive and
    // so no focus change was reported.
    m_focusControl = m_window->focusWidget();
}

bool HandlerBindings::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* keyEvent = static_cast<const QKeyEvent*>(event);
    if (std::find(m_buttons.begin(), m_buttons.end(), watched) != m_buttons.end())
        return buttonKeyPress(watched, keyEvent);
    return fieldKeyPress(watched, keyEvent);
}

bool HandlerBindings::buttonKeyPress(QObject* button, const QKeyEvent* keyEvent)
{
    const int key = keyEvent->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !keyEvent->isAutoRepeat()) {
        static_cast<QAbstractButton*>(button)->click();
        return true;
    }
    return false;
}

bool HandlerBindings::fieldKeyPress(QObject* field, const QKeyEvent* keyEvent)
{
    const auto handler = m_keyHandlers.find(field);
    if (handler == m_keyHandlers.end())
        return false;
    if (keyEvent->key() == Qt::Key_Tab || keyEvent->key() == Qt::Key_Backtab)
        return false;
    const QChar typed = typedCharacter(keyEvent);
    if (typed.isNull())
        return false;

    QChar result = typed;
    const auto keyHandler = handler->second;
    m_runner([&] { keyHandler(result); });
    if (result.isNull())
        return true;
    if (result == typed)
        return false;
    // The handler typed another character in place of this one.
    if (auto* lineEdit = qobject_cast<QLineEdit*>(field)) {
        if (!lineEdit->isReadOnly())
            lineEdit->insert(QString(result));
    }
    return true;
}
