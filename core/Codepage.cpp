#include "core/Codepage.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <iconv.h>
#include <map>
#include <memory>

namespace {

// glibc names for the Windows code pages; tried in order.
std::vector<std::string> iconvNames(int number)
{
    switch (number) {
    case 932:
        return {"CP932", "WINDOWS-31J", "SHIFT_JIS"};
    case 936:
        return {"CP936", "GBK"};
    case 950:
        return {"CP950", "BIG5"};
    case 874:
        return {"CP874", "WINDOWS-874", "TIS-620"};
    default:
        return {"CP" + std::to_string(number), "WINDOWS-" + std::to_string(number)};
    }
}

bool buildTable(const std::string& name, std::array<char32_t, 256>& table)
{
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == iconv_t(-1))
        return false;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char32_t out[4] = {0, 0, 0, 0};
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const size_t produced = (sizeof out - outLeft) / sizeof(char32_t);
        table[size_t(b)] = (r != size_t(-1) && inLeft == 0 && produced == 1) ? out[0] : 0;
    }
    table[0] = 0;
    iconv_close(cd);
    return true;
}

}  // namespace

Codepage::Codepage(int number, const std::array<char32_t, 256>& table)
    : m_number(number)
    , m_toUnicode(table)
{
    for (int b = 255; b >= 1; --b) {
        if (m_toUnicode[size_t(b)] != 0)
            m_fromUnicode[m_toUnicode[size_t(b)]] = (unsigned char)b;
    }
    m_fromUnicode[0] = 0;
}

const Codepage* Codepage::windows(int number)
{
    static QMutex mutex;
    static std::map<int, std::unique_ptr<Codepage>> tables;
    QMutexLocker lock(&mutex);
    auto found = tables.find(number);
    if (found != tables.end())
        return found->second.get();
    std::array<char32_t, 256> table{};
    std::unique_ptr<Codepage> page;
    for (const std::string& name : iconvNames(number)) {
        if (buildTable(name, table)) {
            page.reset(new Codepage(number, table));
            break;
        }
    }
    const Codepage* result = page.get();
    tables.emplace(number, std::move(page));
    return result;
}

const Codepage& Codepage::declarationFiles()
{
    static const Codepage* page = [] {
        const Codepage* p = windows(1252);
        if (!p) {
            // iconv always knows CP1252 on glibc; keep Latin-1 as a last resort.
            std::array<char32_t, 256> latin1{};
            for (int b = 0; b < 256; ++b)
                latin1[size_t(b)] = char32_t(b);
            static Codepage fallback(1252, latin1);
            p = &fallback;
        }
        return p;
    }();
    return *page;
}

int Codepage::byteOf(char32_t character) const
{
    auto found = m_fromUnicode.find(character);
    return found == m_fromUnicode.end() ? -1 : found->second;
}

QByteArray Codepage::encode(const QString& text, bool* lossless) const
{
    QByteArray out;
    out.reserve(text.size());
    bool allMapped = true;
    for (char32_t c : text.toUcs4()) {
        int b = c < 0x80 ? int(c) : byteOf(c);
        if (b < 0 && c >= 0x80 && c < 0x100 && m_toUnicode[c] == 0)
            b = int(c);  // a byte without character, kept as read
        if (b < 0) {
            allMapped = false;
            b = '?';
        }
        out.append(char(b));
    }
    if (lossless)
        *lossless = allMapped;
    return out;
}

QString Codepage::decode(const char* data, qsizetype size) const
{
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = (unsigned char)data[i];
        char32_t c = m_toUnicode[b];
        if (c == 0)
            c = b;
        if (c < 0x10000) {
            out.append(QChar(char16_t(c)));
        } else {
            const char32_t one[1] = {c};
            out.append(QString::fromUcs4(one, 1));
        }
    }
    return out;
}
