// Arbitrary byte streams, cut into pieces at arbitrary points, through the
// grouping of received bytes into readings. Between pieces the port may stay
// quiet long enough to end a reading, or the receive handler that a complete
// reading queued may run; it may also run only after more pieces have come,
// as when the event loop is busy.

#include "device/ReadingGrouper.h"
#include "fuzz/Check.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

enum class Between { NothingHappens, QuietPause, HandlerRuns, kMaxValue = HandlerRuns };

using Held = ReadingGrouper::Held;

// What the grouper must say of the bytes it holds.
Held heldFor(const QByteArray& pending)
{
    if (pending.isEmpty()) {
        return Held::Nothing;
    }
    return pending.back() == '\n' ? Held::Complete : Held::Partial;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    ReadingGrouper grouper;
    QByteArray sent;
    QByteArray read;
    bool handlerQueued = false;

    const auto takeReading = [&](Held held) {
        const QByteArray reading = grouper.take();
        FUZZ_CHECK(!reading.isEmpty());
        FUZZ_CHECK(reading.endsWith('\n') == (held == Held::Complete));
        FUZZ_CHECK(grouper.held() == Held::Nothing);
        FUZZ_CHECK(grouper.take().isEmpty());
        read += reading;
    };

    while (in.remaining_bytes() > 0) {
        const std::string bytes = in.ConsumeRandomLengthString(64);
        const QByteArray piece(bytes.data(), qsizetype(bytes.size()));
        const Held held = grouper.add(piece);
        sent += piece;
        FUZZ_CHECK(held == heldFor(sent.mid(read.size())));
        FUZZ_CHECK(held == grouper.held());
        handlerQueued = handlerQueued || held == Held::Complete;

        switch (in.ConsumeEnum<Between>()) {
        case Between::NothingHappens:
            break;
        case Between::QuietPause:
            if (held == Held::Partial) {
                takeReading(held);
                handlerQueued = false;
            }
            break;
        case Between::HandlerRuns:
            if (handlerQueued && held != Held::Nothing) {
                takeReading(held);
            }
            handlerQueued = false;
            break;
        }
    }
    // Nothing is lost or duplicated: what was read and what is held is what came.
    FUZZ_CHECK(read + grouper.take() == sent);
    grouper.add("left over");
    grouper.clear();
    FUZZ_CHECK(grouper.held() == Held::Nothing);
    return 0;
}
