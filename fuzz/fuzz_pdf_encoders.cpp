// The picture encoders against the tests' own strict decoders: whatever the
// bytes, ASCII85 and LZW decode back to them, the LZW stream meets every rule
// of a strict LZWDecode reader (end-of-data code at the reader's width
// included), and the ASCII85 text uses its alphabet and line breaks only.
#include "fuzz/FuzzSupport.h"

#include "report/PdfEncoders.h"
#include "tests/support/Decoders.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Larger inputs than the fuzzer's own: a pattern from the input repeated with
// some noise over a small alphabet, so that LZW tables fill, widen to 12 bits
// and clear several times.
QByteArray expanded(FuzzedDataProvider& provider)
{
    const size_t size = provider.ConsumeIntegralInRange<size_t>(0, 65536);
    const int alphabet = provider.ConsumeIntegralInRange<int>(1, 256);
    const int noisePerThousand = provider.ConsumeIntegralInRange<int>(0, 1000);
    uint32_t state = provider.ConsumeIntegral<uint32_t>() | 1;
    const std::string pattern = provider.ConsumeRemainingBytesAsString();
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const bool noise = pattern.empty() || int(state % 1000) < noisePerThousand;
        const int value = noise ? int((state >> 10) % uint32_t(alphabet)) : uint8_t(pattern[i % pattern.size()]);
        out[qsizetype(i)] = char(value);
    }
    return out;
}

void checkAscii85Text(const QByteArray& text)
{
    FUZZ_CHECK(text.endsWith("~>"), QStringLiteral("ASCII85 text does not end with ~>"));
    FUZZ_CHECK(!text.startsWith("<~"), QStringLiteral("ASCII85 text starts with <~"));
    for (qsizetype i = 0; i + 2 < text.size(); ++i) {
        const char c = text.at(i);
        const bool allowed = (c >= '!' && c <= 'u') || c == 'z' || c == '\r' || c == '\n';
        FUZZ_CHECK(allowed, QStringLiteral("byte %1 at %2 of the ASCII85 text").arg(int(uint8_t(c))).arg(i));
        if (c == '\r')
            FUZZ_CHECK(i + 1 < text.size() && text.at(i + 1) == '\n', QStringLiteral("CR without LF at %1").arg(i));
        if (c == '\n')
            FUZZ_CHECK(i > 0 && text.at(i - 1) == '\r', QStringLiteral("LF without CR at %1").arg(i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool expand = provider.ConsumeBool();
    const QByteArray input =
        expand ? expanded(provider) : QByteArray::fromStdString(provider.ConsumeRemainingBytesAsString());

    const QByteArray lzw = pdfencoding::lzwEncode(input);
    const testdecoders::LzwResult unpacked = testdecoders::lzwDecode(lzw);
    FUZZ_CHECK(unpacked.error.isEmpty(),
        QStringLiteral("strict LZW reader: %1 (input of %2 bytes)").arg(unpacked.error).arg(input.size()));
    FUZZ_CHECK(unpacked.data == input,
        QStringLiteral("LZW round trip differs (input of %1 bytes, got %2)")
            .arg(input.size())
            .arg(unpacked.data.size()));

    const QByteArray a85 = pdfencoding::ascii85Encode(input);
    checkAscii85Text(a85);
    const testdecoders::Ascii85Result decoded = testdecoders::ascii85Decode(a85);
    FUZZ_CHECK(decoded.error.isEmpty(), QStringLiteral("ASCII85 reader: %1").arg(decoded.error));
    FUZZ_CHECK(
        decoded.data == input, QStringLiteral("ASCII85 round trip differs (input of %1 bytes)").arg(input.size()));

    // The two together, as a picture's data is written.
    const pdfencoding::EncodedPicture picture = pdfencoding::encodePictureData(input, pdfencoding::Compression::On);
    checkAscii85Text(picture.data);
    const testdecoders::Ascii85Result outer = testdecoders::ascii85Decode(picture.data);
    FUZZ_CHECK(outer.error.isEmpty() && outer.data == lzw,
        QStringLiteral("picture data is not ASCII85 of the LZW stream: %1").arg(outer.error));
    return 0;
}
