#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Decoders written for the tests alone, so that the encoders are checked
// against an independent reading of the formats rather than against
// themselves. Both are strict: anything a PDF reader could misread is an
// error with a message saying what was wrong.
namespace testdecoders {

struct LzwResult
{
    QByteArray data;
    QString error;           // empty when the stream was read without fault
    QList<int> clearWidths;  // width at which each clear-table code was read
    int nextCodeAtEnd = 0;   // the decoder's next code when it met end-of-data
    int endOfDataWidth = 0;
};

// LZWDecode with early change 1: first code a clear-table code, codes 9 to 12
// bits, an end-of-data code, then nothing but zero padding bits.
LzwResult lzwDecode(const QByteArray& encoded);

struct Ascii85Result
{
    QByteArray data;
    QString error;
};

// ASCII85Decode of text ending in "~>", with "z" and line breaks allowed.
Ascii85Result ascii85Decode(const QByteArray& encoded);

}  // namespace testdecoders
