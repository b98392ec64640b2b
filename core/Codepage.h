#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <unordered_map>

// A byte-to-character table of a Windows code page, built once through glibc
// iconv by converting each byte on its own. Bytes that do not stand for a
// character alone (unassigned bytes, lead bytes of double-byte code pages)
// have no character.
class Codepage
{
public:
    // The table of Windows code page `number` (1252, 1250, 932, ...), or null
    // when iconv does not know it. Tables are built once and kept.
    static const Codepage* windows(int number);

    // Windows-1252, the code page of the declaration and import files.
    static const Codepage& declarationFiles();

    int number() const { return m_number; }

    // The character of one byte; 0 when the byte has none.
    char32_t character(unsigned char byte) const { return m_toUnicode[byte]; }

    // The byte of a character; -1 when the code page has no single byte for it.
    int byteOf(char32_t character) const;

    // Text to bytes and back. Unmapped characters become '?' when encoding;
    // `lossless` tells whether every character had its byte. Decoding maps a
    // byte without character to the control character of the same value, so
    // that reading and writing a file keeps every byte.
    QByteArray encode(const QString& text, bool* lossless = nullptr) const;
    QString decode(const char* data, qsizetype size) const;
    QString decode(const QByteArray& bytes) const { return decode(bytes.constData(), bytes.size()); }

private:
    Codepage(int number, const std::array<char32_t, 256>& table);

    int m_number;
    std::array<char32_t, 256> m_toUnicode;
    std::unordered_map<char32_t, unsigned char> m_fromUnicode;
};
