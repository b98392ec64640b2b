#include "app/MaskEdit.h"

#include <QKeyEvent>

namespace {

// The design's notation has "0" for a required digit and "9" for an optional
// one; Qt's input masks use them the other way round. The result ends with
// ";" and the character shown in empty places.
QString convert(const QString& designMask)
{
    QString converted;
    const QString pattern = designMask.section(QLatin1Char(';'), 0, 0);
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            const QChar literal = pattern.at(++i);
            converted += QLatin1Char('\\');
            converted += literal;
        } else if (c == QLatin1Char('0')) {
            converted += QLatin1Char('9');
        } else if (c == QLatin1Char('9')) {
            converted += QLatin1Char('0');
        } else {
            converted += QLatin1Char('\\');
            converted += c;
        }
    }
    QChar blank = QLatin1Char('_');
    const QString blankSection = designMask.section(QLatin1Char(';'), 2, 2);
    if (!blankSection.isEmpty())
        blank = blankSection.at(0);
    converted += QLatin1Char(';');
    converted += blank;
    return converted;
}

}  // namespace

MaskEdit::MaskEdit(const QString& designMask, QWidget* parent)
    : QLineEdit(parent)
{
    const QString qtMask = convert(designMask);
    m_blank = qtMask.at(qtMask.size() - 1);
    setInputMask(qtMask);
    // Which places of the shown text are the mask's literals.
    const QString shown = displayText();
    for (int i = 0, place = 0; i < qtMask.size() - 2 && place < shown.size(); ++i, ++place) {
        const bool literal = qtMask.at(i) == QLatin1Char('\\');
        if (literal)
            ++i;
        m_literalPlaces.push_back(literal);
    }
    m_programText = text();
    // A user's edit emits textEdited and then textChanged; a change made by
    // the program emits textChanged alone. So the flag ends true exactly
    // after user input, and the program's last text is kept for Esc.
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_userInput = true;
        m_inUserEdit = true;
    });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_inUserEdit) {
            m_inUserEdit = false;
            return;
        }
        m_userInput = false;
        m_programText = text();
    });
}

QString MaskEdit::value() const
{
    const QString shown = displayText();
    QString places;
    for (qsizetype i = 0; i < shown.size() && i < qsizetype(m_literalPlaces.size()); ++i) {
        if (m_literalPlaces[size_t(i)])
            continue;
        const QChar c = shown.at(i);
        places += c == m_blank ? QLatin1Char(' ') : c;
    }
    return places;
}

bool MaskEdit::isComplete() const
{
    return hasAcceptableInput();
}

bool MaskEdit::isBlank() const
{
    return value().trimmed().isEmpty();
}

void MaskEdit::abandonChanges()
{
    setText(m_programText);
}

bool MaskEdit::event(QEvent* event)
{
    // While the user's typing is pending the field keeps Esc, so that the
    // window's reset does not see it: Esc abandons the typing instead, and
    // the field's key filter drops the key with its beep.
    if (event->type() == QEvent::ShortcutOverride && m_userInput) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            abandonChanges();
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}
