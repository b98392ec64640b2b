#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <vector>

class QAbstractButton;
class QKeyEvent;
class QWidget;

// Binds a window's handlers to its controls the way the window's events call
// them: an exit handler when the focus leaves a field for another control of
// the window, a key handler for every character typed into a field, a click
// handler for a button (mouse, Space, or Enter while it has the focus).
class HandlerBindings : public QObject
{
    Q_OBJECT

public:
    // Runs one handler as the event loop would, e.g. showing an error that
    // ends it; every bound handler is called through it.
    using Runner = std::function<void(const std::function<void()>&)>;
    // Asked before an exit handler runs; false keeps the field (the check
    // puts the focus back itself) and the handler does not run.
    using LeaveCheck = std::function<bool(QWidget*)>;

    HandlerBindings(QWidget* window, Runner runner);

    // Runs `handler` whenever the focus leaves `field` for another control of
    // the window (Tab, Enter, a click, a focus move made by the program), but
    // not when the window only loses activation to a box or another window.
    // While one exit handler runs, no other exit check fires.
    void bindExit(QWidget* field, std::function<void()> handler);
    // Runs `handler` for every character typed into `field`; a handler that
    // sets the character to null drops it, one that sets another character
    // types that one instead. Keys without a character (arrows, Tab, Delete,
    // ...) do not reach it.
    void bindKeyPress(QWidget* field, std::function<void(QChar&)> handler);
    // Runs `handler` when `button` is clicked; Enter on the button while it
    // has the focus clicks it.
    void bindClick(QAbstractButton* button, std::function<void()> handler);
    void setLeaveCheck(LeaveCheck check) { m_leaveCheck = std::move(check); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* now);
    void runExitCheck(QWidget* field);
    bool buttonKeyPress(QObject* button, const QKeyEvent* keyEvent);
    bool fieldKeyPress(QObject* field, const QKeyEvent* keyEvent);

    QWidget* m_window;
    Runner m_runner;
    LeaveCheck m_leaveCheck;
    std::map<QWidget*, std::function<void()>> m_exitHandlers;
    std::map<QObject*, std::function<void(QChar&)>> m_keyHandlers;
    std::vector<QObject*> m_buttons;
    // The control that last had the focus in the window. Focus changes that
    // only go to another window (a box, the help window) leave it as it is.
    QWidget* m_focusControl = nullptr;
    // Above zero while an exit handler runs.
    int m_exitCheckDepth = 0;
};
