#pragma once

#include "report/PdfFontMetrics.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <vector>

// The font resources of a PDF document: which fonts its text uses, and the
// font and font-descriptor objects written for each (TrueType, not embedded).
namespace pdffonts {

// " <</Type/Encoding /Differences [ 2 /name/name...]>>" for the character
// set's code page, or the /BaseEncoding /WinAnsiEncoding dictionary when the
// code page is not available.
QByteArray encodingText(int charset);

// "F00", "F01", ..., "F99", "F100".
QByteArray resourceName(int index);

struct FontResource
{
    QList<QByteArray> font;        // object `firstObjectNumber`
    QList<QByteArray> descriptor;  // the next object
};

// The lines of the font object and of its descriptor.
FontResource fontResourceLines(const FontKey& key, int index, int firstObjectNumber);

// A font of the document as the text uses it: its resource position and code
// page, and its metrics once a width has been asked for.
struct FontInUse
{
    QString name;  // as the report gives it
    FontKey key;
    int index = 0;
    QByteArray selector;  // "/F00 "
    const Codepage* codePage = nullptr;
    const FontMetrics* metrics = nullptr;
};

// The document's fonts in the order the text first uses them; one resource
// for each key.
class FontTable
{
public:
    FontInUse& fontInUse(const QString& name, bool bold, bool italic, int charset);

    // In points at `size`.
    static double textWidth(FontInUse& font, int size, const QString& text);

    const QList<FontKey>& keys() const { return m_keys; }

private:
    int indexOf(const FontKey& key);

    QList<FontKey> m_keys;
    QHash<QString, int> m_indexes;  // key text -> position
    std::vector<FontInUse> m_inUse;
};

}  // namespace pdffonts
