// libFuzzer target: the JPEG header reader and decoder, through the picture
// holder and in the palette decoding.
#include "fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

namespace {

// libjpeg is the system's library, not instrumented, so the fuzzer sees no
// coverage inside it and would keep only the few inputs that change a branch
// of our own code. These counters, read by libFuzzer like its own, tell it
// which parts of the format an input holds: the markers, and the frame, scan,
// table and restart parameters that send libjpeg down different paths.
__attribute__((section("__libfuzzer_extra_counters"))) uint8_t formatCounters[2048];

// Features are present or not; how often one occurs is left out, so that
// damaged entropy-coded data does not pass for new ground.
void count(size_t feature)
{
    formatCounters[feature % sizeof formatCounters] = 1;
}

enum : size_t { Marker = 0, Frame = 256, Component = 512, Scan = 768, Table = 1024, Other = 1280 };

void countSegment(uint8_t marker, const uint8_t *p, size_t length)
{
    const bool frame = (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC);
    if (frame && length >= 6) {
        count(Frame + p[0]);                      // sample precision
        const unsigned components = p[5];
        count(Frame + 16 + qMin(components, 8u));
        count(Frame + 32 + (p[1] == 0 && p[2] == 0 ? 0 : 1)); // height 0: set by a later marker
        for (unsigned i = 0; i < components && 6 + 3 * i + 2 < length; ++i) {
            count(Component + p[6 + 3 * i + 1]);     // sampling factors
            count(Component + 256 - 16 + qMin(i, 15u) + 16 * (p[6 + 3 * i + 2] & 3)); // table
        }
    } else if (marker == 0xDA && length >= 1) {
        const unsigned components = p[0];
        count(Scan + qMin(components, 8u));
        if (length >= 1 + 2 * components + 3) {
            const uint8_t *s = p + 1 + 2 * components;
            count(Scan + 16 + (s[0] == 0 ? 0 : 1) * 2 + (s[1] == 63 ? 1 : 0)); // spectral selection
            count(Scan + 32 + (s[2] >> 4));            // successive approximation, high
            count(Scan + 48 + (s[2] & 15));            // and low
            for (unsigned i = 0; i < components; ++i)
                count(Scan + 64 + p[2 + 2 * i]);      // DC and AC table numbers
        }
    } else if ((marker == 0xC4 || marker == 0xDB || marker == 0xCC) && length >= 1) {
        count(Table + (marker & 0x1F) * 32 + (p[0] >> 4) * 8 + (p[0] & 7));
    } else if (marker == 0xDD && length >= 2) {
        count(Other + (p[0] == 0 && p[1] == 0 ? 0 : 1)); // restart interval
    } else if (marker == 0xEE && length >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
        count(Other + 8 + p[11]);                    // colour transform
    }
}

// Walks the markers the way a decoder meets them: segments with a length,
// then the entropy-coded data after each start of scan, with its restart
// markers, up to the next marker.
void countFormat(const uint8_t *data, size_t size)
{
    size_t i = 0;
    int segments = 0;
    unsigned scans = 0;
    while (i + 1 < size && segments < 256) {
        if (data[i] != 0xFF) {
            ++i;
            continue;
        }
        const uint8_t marker = data[i + 1];
        if (marker == 0xFF || marker == 0x00) {
            ++i;
            continue;
        }
        ++segments;
        count(Marker + marker);
        i += 2;
        if (marker == 0xD9)
            break; // the decoder reads no further
        if (marker == 0xDA)
            count(Other + 64 + qMin(++scans, 16u));
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (i + 2 > size)
            break;
        const size_t length = size_t(data[i] << 8 | data[i + 1]);
        if (length < 2)
            continue;
        countSegment(marker, data + i + 2, qMin(length - 2, size - i - 2));
        i += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    countFormat(data, size);
    // No copy: the sanitizer sees every read past the fuzzer's buffer.
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString failure = FuzzChecks::jpeg(input);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "check failed: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}
