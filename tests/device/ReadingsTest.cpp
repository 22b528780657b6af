#include "device/ReadingGrouper.h"
#include "device/ReplyRecognition.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace reply {

void PrintTo(const Meaning& meaning, std::ostream* out)
{
    const char* const kinds[] = {"NoData", "Ignored", "RawAnswer", "DriverVersion",
                                 "DeviceVersion"};
    *out << kinds[meaning.index()];
    if (const auto* raw = std::get_if<RawAnswer>(&meaning)) {
        *out << " \"" << raw->text.toStdString() << '"';
    } else if (const auto* driver = std::get_if<DriverVersion>(&meaning)) {
        *out << " \"" << driver->text.toStdString() << '"';
    } else if (const auto* device = std::get_if<DeviceVersion>(&meaning); device && device->text) {
        *out << " \"" << device->text->toStdString() << '"';
    }
}

} // namespace reply

namespace {

// What an earlier opening of the port left is not the next one's.
TEST(ReadingGrouper, ClearingDropsWhatIsHeld)
{
    ReadingGrouper grouper;
    EXPECT_EQ(grouper.add("left over\n"), ReadingGrouper::Held::Complete);
    grouper.clear();
    EXPECT_EQ(grouper.held(), ReadingGrouper::Held::Nothing);
    EXPECT_EQ(grouper.take(), "");
}

// Keywords in exact case, "/rawxact" before "/ver" before "dev_version"; the
// last two count only while the open dialogue waits.
TEST(ReplyRecognition, EveryKindOfReply)
{
    using namespace reply;
    const struct {
        const char* text;
        bool detecting;
        Meaning meaning;
    } cases[] = {
        {"", true, NoData{}},
        {"", false, NoData{}},
        {"/rawxact:  ACK 01\r\n", false, RawAnswer{"ACK 01"}},
        {"/ver /rawxact:ACK 01\r\n", true, RawAnswer{"ACK 01"}},
        // The one character after the keyword is passed over, whatever it is.
        {"/rawxactXACK 01", true, RawAnswer{"ACK 01"}},
        {"/rawxact ", true, RawAnswer{""}},
        {"/RAWXACT:ACK\r\n", false, Ignored{}},
        {"/ver 1.02\r\n", true, DriverVersion{"1.02"}},
        {"/ver 1.02\r\n", false, Ignored{}},
        {"/ver 1.02 dev_version 9\r\n", true, DriverVersion{"1.02 dev_version 9"}},
        // Blanks at the ends are dropped, also those that stood between control characters.
        {"/ver 1.02 \x01\r\n", true, DriverVersion{"1.02"}},
        {"/ver   ", true, DriverVersion{""}},
        {"/ver \x01 \r\n", true, DriverVersion{""}},
        {"/ver\t \r\n", true, DriverVersion{""}},
        {"/write ok\r\n", true, Ignored{}},
        // The device version runs from character 25 to the last but one.
        {"/get dev_version value:   2.10\r\n", true, DeviceVersion{"  2.10\r"}},
        {"/get dev_version value: \n", true, DeviceVersion{""}},
        {"dev_version", true, DeviceVersion{}},
        {"/get dev_version value:   2.10\r\n", false, Ignored{}},
    };
    for (const auto& [text, detecting, meaning] : cases) {
        EXPECT_EQ(recognise(text, detecting), meaning)
            << '"' << text << (detecting ? "\" while detecting" : "\" while not detecting");
    }
}

} // namespace
