#include "ui/VersionTexts.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionTexts, MinorAndRevisionShowTheirLastTwoDigitsAndTheMajorInFull)
{
    EXPECT_EQ(versionCaption({1, 4, 0, {}, {}}), " Version: 1.04.00 ");
    EXPECT_EQ(versionNumber({1, 12, 7, {}, {}}), "1.12.07");
    EXPECT_EQ(versionNumber({1, 123, 123, {}, {}}), "1.23.23");
    EXPECT_EQ(versionNumber({123, 0, 10, {}, {}}), "123.00.10");
}

TEST(VersionTexts, PartNumberAndCopyrightKeepTheirBlanksWhenEmpty)
{
    EXPECT_EQ(partNumberCaption({1, 4, 0, "12345678", "(C) Maker"}), " Part Number: 12345678 ");
    EXPECT_EQ(copyrightCaption({1, 4, 0, "12345678", "(C) Maker"}), " (C) Maker ");
    EXPECT_EQ(partNumberCaption({1, 4, 0, {}, {}}), " Part Number:  ");
    EXPECT_EQ(copyrightCaption({1, 4, 0, {}, {}}), "  ");
}

TEST(VersionTexts, TheBuildGivesVersionOnePointFourAndAnEightDigitPartNumber)
{
    EXPECT_EQ(versionCaption(), " Version: 1.04.00 ");
    const QString partNumber = partNumberCaption().mid(14).chopped(1);
    EXPECT_EQ(partNumber.size(), 8);
    bool digitsOnly = false;
    partNumber.toUInt(&digitsOnly);
    EXPECT_TRUE(digitsOnly) << partNumber.toStdString();
    EXPECT_GT(copyrightCaption().size(), 2);
}

} // namespace
