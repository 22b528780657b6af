#include "device/ReplyRecognition.h"

#include <gtest/gtest.h>

namespace {

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
        {"/get dev_version value: ", true, DeviceVersion{}},
        {"/get dev_version value:   2.10\r\n", false, Ignored{}},
    };
    for (const auto& [text, detecting, meaning] : cases) {
        EXPECT_EQ(recognise(text, detecting), meaning)
            << '"' << text << (detecting ? "\" while detecting" : "\" while not detecting");
    }
}

} // namespace
