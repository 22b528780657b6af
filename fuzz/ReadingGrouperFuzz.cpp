// Any byte stream, cut anywhere, grouped into readings; between pieces a reading may be taken
// (by the quiet pause, or by the receive handler that a complete reading queued).

#include "device/ReadingGrouper.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using Held = ReadingGrouper::Held;
    FuzzedDataProvider in(data, size);
    ReadingGrouper grouper;
    QByteArray sent, read;
    while (in.remaining_bytes() > 0) {
        const QByteArray piece = QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
        const Held held = grouper.add(piece);
        sent += piece;
        // Held bytes are complete once they end in a line feed.
        const QByteArray pending = sent.mid(read.size());
        FUZZ_CHECK(held == grouper.held() && held == (pending.isEmpty()        ? Held::Nothing
                                                      : pending.endsWith('\n') ? Held::Complete
                                                                               : Held::Partial));
        // A reading is everything held: nothing is lost or doubled.
        if (held != Held::Nothing && in.ConsumeBool()) {
            read += grouper.take();
            FUZZ_CHECK(read == sent && grouper.held() == Held::Nothing);
        }
    }
    return 0;
}
