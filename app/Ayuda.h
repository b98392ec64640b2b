#pragma once

#include <QWidget>

class QPlainTextEdit;

// The help window: a short text on how to make a declaration, in an editable
// memo. It is created once and kept, so text typed into it stays for the run.
class TF_ayuda : public QWidget
{
    Q_OBJECT

public:
    explicit TF_ayuda(QWidget* parent = nullptr);

    // Centres the window on the screen and shows it; the other windows take no
    // input until it is closed. Returns at once.
    void showModal();

    QPlainTextEdit* Memo1 = nullptr;

    // The 21 lines of the help text.
    static QStringList helpLines();
};
