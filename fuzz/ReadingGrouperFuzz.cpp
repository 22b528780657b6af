// Any byte stream, cut anywhere, grouped into readings; between pieces a reading may be taken
// (by the quiet pause, or by the receive handler): nothing is lost or doubled.

#include "device/ReadingGrouper.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    ReadingGrouper grouper;
    QByteArray sent, read;
    while (in.remaining_bytes() > 0) {
        const QByteArray piece = QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
        const bool held = grouper.add(piece) != ReadingGrouper::Held::Nothing;
        sent += piece;
        if (held && in.ConsumeBool()) {
            read += grouper.take();
            FUZZ_CHECK(read == sent && grouper.held() == ReadingGrouper::Held::Nothing);
        }
    }
    return 0;
}
