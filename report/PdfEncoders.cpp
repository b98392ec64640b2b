#include "report/PdfEncoders.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace pdfencoding {

namespace {

constexpr int clearTableCode = 256;
constexpr int endOfDataCode = 257;
constexpr int firstFreeCode = 258;
constexpr int lastCode = 4095;

// Code width once `nextCode` is the next code to be assigned: 10 bits as soon
// as 511 has been assigned, 11 after 1023, 12 after 2047.
inline int widthFor(int nextCode)
{
    if (nextCode <= 511)
        return 9;
    if (nextCode <= 1023)
        return 10;
    if (nextCode <= 2047)
        return 11;
    return 12;
}

// The string table: (prefix code, next byte) -> code, in an open-addressing
// hash of 32768 slots for at most 3838 strings, so a probe rarely goes past
// its first slot. A slot holds the key and the code in one word, so one load
// both confirms the string and yields its code: the key, inverted, in the top
// 20 bits and the code in the low 12 bits; an empty slot is 0. The inverted
// key of an empty slot would be (4095, 255), a string never looked up, since
// the table is reset as soon as code 4095 has been assigned.
//
// The slot is the byte shifted over the prefix code: neighbouring prefixes of
// one byte sit side by side, and the hash costs a single instruction on the
// path from one code to the next, which is what bounds the encoder's speed.
//
// One table per thread is kept between calls and emptied through the list of
// slots it filled, which costs far less than clearing 128 KB for every small
// picture or every clear-table code.
class StringTable
{
public:
    static constexpr int slotBits = 15;
    static constexpr uint32_t slotCount = 1u << slotBits;

    static uint32_t tagOf(uint32_t prefix, uint32_t byte) { return ((prefix << 8 | byte) ^ 0xFFFFFu) << 12; }
    static uint32_t slotOf(uint32_t prefix, uint32_t byte) { return (byte << (slotBits - 8)) ^ prefix; }

    // Returns the code of the string with this tag, or 0 after moving `slot`
    // to the empty slot where it belongs.
    inline uint32_t find(uint32_t tag, uint32_t& slot) const
    {
        for (;;) {
            const uint32_t stored = m_slots[slot];
            const uint32_t difference = stored ^ tag;
            if (difference < 4096)
                return difference;
            if (stored == 0)
                return 0;
            slot = (slot + 1) & (slotCount - 1);
        }
    }

    inline void insert(uint32_t slot, uint32_t tag, int code)
    {
        m_slots[slot] = tag | uint32_t(code);
        m_filled[code] = uint16_t(slot);
    }

    // Empties the slots of codes 258 up to `nextCode`.
    void reset(int nextCode)
    {
        for (int code = firstFreeCode; code < nextCode; ++code)
            m_slots[m_filled[code]] = 0;
    }

private:
    uint32_t m_slots[slotCount] = {};
    uint16_t m_filled[lastCode + 1] = {};
};

StringTable& threadStringTable()
{
    static thread_local std::unique_ptr<StringTable> table;
    if (!table)
        table = std::make_unique<StringTable>();
    return *table;
}

class BitWriter
{
public:
    explicit BitWriter(char* out)
        : m_out(reinterpret_cast<unsigned char*>(out))
        , m_begin(m_out)
    {
    }

    inline void put(uint32_t code, int width)
    {
        m_buffer = (m_buffer << width) | code;
        m_bits += width;
        while (m_bits >= 8) {
            m_bits -= 8;
            *m_out++ = (unsigned char)(m_buffer >> m_bits);
        }
    }

    // Completes the last byte with zero bits; returns the bytes written.
    qsizetype finish()
    {
        if (m_bits > 0)
            *m_out++ = (unsigned char)(m_buffer << (8 - m_bits));
        m_bits = 0;
        return m_out - m_begin;
    }

private:
    unsigned char* m_out;
    unsigned char* m_begin;
    uint64_t m_buffer = 0;
    int m_bits = 0;
};

}  // namespace

QByteArray lzwEncode(const char* data, qsizetype size)
{
    // At most 12 bits per input byte, plus one 12-bit clear-table code per
    // table of 3838 codes and the codes around the data.
    QByteArray out;
    out.resize(size + size / 2 + size / 1024 + 16);
    BitWriter writer(out.data());
    StringTable& table = threadStringTable();

    int nextCode = firstFreeCode;
    int width = 9;
    writer.put(clearTableCode, width);

    const unsigned char* input = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = input + size;
    if (input != end) {
        uint32_t prefix = *input++;
        while (input != end) {
            const uint32_t byte = *input++;
            const uint32_t tag = StringTable::tagOf(prefix, byte);
            uint32_t slot = StringTable::slotOf(prefix, byte);
            const uint32_t code = table.find(tag, slot);
            if (code != 0) {
                prefix = code;
                continue;
            }
            writer.put(prefix, width);
            table.insert(slot, tag, nextCode);
            ++nextCode;
            width = widthFor(nextCode);
            if (nextCode > lastCode) {
                // The byte that ended the string is still to be encoded.
                writer.put(clearTableCode, width);
                table.reset(nextCode);
                nextCode = firstFreeCode;
                width = 9;
            }
            prefix = byte;
        }
        writer.put(prefix, width);
    }
    table.reset(nextCode);
    // The decoder adds one more table entry after the last code than the
    // encoder ever assigns, so it reads the end-of-data code at the width of
    // the next code: one bit wider when the table stops at 511, 1023 or 2047.
    writer.put(endOfDataCode, widthFor(qMin(nextCode + 1, lastCode + 1)));
    out.resize(writer.finish());
    return out;
}

QByteArray ascii85Encode(const char* data, qsizetype size)
{
    // Five characters per four bytes, CR LF after every 41 groups, "~>".
    QByteArray out;
    out.resize(size / 4 * 5 + (size / 4 / 40 + 2) * 2 + 8);
    char* o = out.data();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
    const qsizetype fullGroups = size / 4;
    int count = 0;
    for (qsizetype g = 0; g < fullGroups; ++g, in += 4) {
        uint32_t value = uint32_t(in[0]) << 24 | uint32_t(in[1]) << 16 | uint32_t(in[2]) << 8 | in[3];
        if (value == 0) {
            *o++ = 'z';
        } else {
            o[4] = char(value % 85 + 33);
            value /= 85;
            o[3] = char(value % 85 + 33);
            value /= 85;
            o[2] = char(value % 85 + 33);
            value /= 85;
            o[1] = char(value % 85 + 33);
            o[0] = char(value / 85 + 33);
            o += 5;
        }
        count += 5;
        if (count >= 201) {
            *o++ = '\r';
            *o++ = '\n';
            count = 0;
        }
    }
    const int rest = int(size - fullGroups * 4);
    if (rest > 0) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | (i < rest ? in[i] : 0u);
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = char(value % 85 + 33);
            value /= 85;
        }
        std::memcpy(o, digits, size_t(rest + 1));
        o += rest + 1;
        count += rest + 1;
        if (count >= 201) {
            *o++ = '\r';
            *o++ = '\n';
        }
    }
    *o++ = '~';
    *o++ = '>';
    out.resize(o - out.constData());
    return out;
}

}  // namespace pdfencoding
