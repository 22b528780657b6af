#include "device/ReplyRecognition.h"

#include <gtest/gtest.h>

namespace reply {

void PrintTo(const Meaning& meaning, std::ostream* out)
{
    const char* const kinds[] = {"NoData", "Ignored", "RawAnswer", "DriverVersion",
                                 "DeviceVersion"};
    *out << kinds[meaning.index()];
    if (const auto* raw = std::get_if<RawAnswer>(&meaning)) {
        *out << ' ' << raw->text.toStdString();
    } else if (const auto* driver = std::get_if<DriverVersion>(&meaning)) {
        *out << ' ' << driver->text.toStdString();
    } else if (const auto* device = std::get_if<DeviceVersion>(&meaning); device && device->text) {
        *out << ' ' << device->text->toStdString();
    }
}

} // namespace reply

namespace {

using reply::recognise;

TEST(ReplyRecognition, ARawReplyIsTakenAlwaysAndFirst)
{
    const reply::Meaning raw = reply::RawAnswer{"ACK 01"};
    EXPECT_EQ(recognise("/rawxact:  ACK 01\r\n", false), raw);
    EXPECT_EQ(recognise("/ver /rawxact:ACK 01\r\n", true), raw);
    // The one character after the keyword is passed over, whatever it is.
    EXPECT_EQ(recognise("/rawxactXACK 01", true), raw);
    EXPECT_EQ(recognise("/rawxact ", true), reply::Meaning(reply::RawAnswer{""}));
}

TEST(ReplyRecognition, VersionRepliesCountOnlyWhileDetecting)
{
    EXPECT_EQ(recognise("/ver 1.02\r\n", true), reply::Meaning(reply::DriverVersion{"1.02"}));
    EXPECT_EQ(recognise("/ver 1.02\r\n", false), reply::Meaning(reply::Ignored{}));
    EXPECT_EQ(recognise("/ver 1.02 dev_version 9\r\n", true),
              reply::Meaning(reply::DriverVersion{"1.02 dev_version 9"}));
    // Blanks around the version are dropped, also those that stood between
    // control characters: such a reply names no version.
    EXPECT_EQ(recognise("/ver 1.02 \x01\r\n", true), reply::Meaning(reply::DriverVersion{"1.02"}));
    for (const char* blank : {"/ver   ", "/ver \x01 \r\n", "/ver\t \r\n"}) {
        EXPECT_EQ(recognise(blank, true), reply::Meaning(reply::DriverVersion{""})) << blank;
    }
    EXPECT_EQ(recognise("/write ok\r\n", true), reply::Meaning(reply::Ignored{}));
}

TEST(ReplyRecognition, TheDeviceVersionRunsFromCharacter25ToTheLastButOne)
{
    EXPECT_EQ(recognise("/get dev_version value:   2.10\r\n", true),
              reply::Meaning(reply::DeviceVersion{"  2.10\r"}));
    EXPECT_EQ(recognise("/get dev_version value: \n", true),
              reply::Meaning(reply::DeviceVersion{""}));
    EXPECT_EQ(recognise("dev_version", true), reply::Meaning(reply::DeviceVersion{}));
}

TEST(ReplyRecognition, AnEmptyReadingHoldsNoData)
{
    EXPECT_EQ(recognise("", true), reply::Meaning(reply::NoData{}));
    EXPECT_EQ(recognise("", false), reply::Meaning(reply::NoData{}));
}

} // namespace
