// libFuzzer target: the Windows bitmap reader, through the picture holder.
#include "fuzzchecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No copy: the sanitizer sees every read past the fuzzer's buffer.
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString failure = FuzzChecks::bmp(input);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "check failed: %s\n", failure.toUtf8().constData());
        std::abort();
    }
    return 0;
}
