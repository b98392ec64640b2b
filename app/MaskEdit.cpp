#include "MaskEdit.h"

#include <QKeyEvent>

namespace {

struct ConvertedMask {
    QString qtMask;
    QString literals;
    int requiredPlaces = 0;
};

// The design's notation has "0" for a required digit and "9" for an optional
// one; Qt's input masks use them the other way round.
ConvertedMask convert(const QString& designMask)
{
    ConvertedMask converted;
    const QString pattern = designMask.section(QLatin1Char(';'), 0, 0);
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            const QChar literal = pattern.at(++i);
            converted.qtMask += QLatin1Char('\\');
            converted.qtMask += literal;
            converted.literals += literal;
        } else if (c == QLatin1Char('0')) {
            converted.qtMask += QLatin1Char('9');
            ++converted.requiredPlaces;
        } else if (c == QLatin1Char('9')) {
            converted.qtMask += QLatin1Char('0');
        } else {
            converted.qtMask += QLatin1Char('\\');
            converted.qtMask += c;
            converted.literals += c;
        }
    }
    QChar blank = QLatin1Char('_');
    const QString blankSection = designMask.section(QLatin1Char(';'), 2, 2);
    if (!blankSection.isEmpty())
        blank = blankSection.at(0);
    converted.qtMask += QLatin1Char(';');
    converted.qtMask += blank;
    return converted;
}

} // namespace

MaskEdit::MaskEdit(const QString& designMask, QWidget* parent)
    : QLineEdit(parent)
{
    const ConvertedMask converted = convert(designMask);
    m_literals = converted.literals;
    setInputMask(converted.qtMask);
    // textChanged comes first for every change, textEdited after it only for
    // the user's own edits; so the flag ends true exactly after user input.
    connect(this, &QLineEdit::textChanged, this, [this] { m_userInput = false; });
    connect(this, &QLineEdit::textEdited, this, [this] { m_userInput = true; });
}

QString MaskEdit::value() const
{
    QString digits;
    for (const QChar c : text()) {
        if (!m_literals.contains(c) && c != QLatin1Char(' '))
            digits += c;
    }
    return digits;
}

void MaskEdit::setValue(const QString& value)
{
    setText(value);
}

bool MaskEdit::isComplete() const
{
    return hasAcceptableInput();
}

bool MaskEdit::isBlank() const
{
    return value().isEmpty();
}

bool MaskEdit::event(QEvent* event)
{
    // While the user's typing is pending the field keeps Esc: the window's
    // reset shortcut must not see it.
    if (event->type() == QEvent::ShortcutOverride && m_userInput) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}
