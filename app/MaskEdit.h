#pragma once

#include <QLineEdit>
#include <vector>

// An edit field with an edit mask in the notation of the window's design:
// "0" a required digit, "9" an optional digit, "\" makes the next character a
// literal, any other character is a literal; a leading "!" is accepted and has
// no effect, and the ";0;_" tail reads as written: the literals are not part of
// the value, "_" is shown in empty places.
class MaskEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit MaskEdit(const QString& designMask, QWidget* parent = nullptr);

    // The text without the mask's literal characters ("20123456786" for
    // "20-12345678-6"), one character per place, an empty place as a blank:
    // "    2026" for a date with only its year.
    QString value() const;
    // Every required place holds a digit.
    bool isComplete() const;
    // The field is empty (no place holds a character).
    bool isBlank() const;

    // Puts back the text the program last set, dropping the user's typing.
    void abandonChanges();

    // True after the user typed into the field, until the program next sets
    // its text. While true the field keeps Esc for itself (Esc abandons the
    // typing) and refuses to be left incomplete.
    bool hasUserInput() const { return m_userInput; }

protected:
    bool event(QEvent* event) override;

private:
    std::vector<bool> m_literalPlaces;  // per place of the shown text
    QChar m_blank;
    QString m_programText;
    bool m_userInput = false;
    bool m_inUserEdit = false;
};
