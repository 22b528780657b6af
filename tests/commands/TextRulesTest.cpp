#include "commands/TextRules.h"

#include "commands/CommandFilePath.h"
#include "commands/CommandFileReader.h"
#include "commands/SerialNumber.h"
#include "commands/StripCtrlChars.h"
#include "commands/WireText.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(StripCtrlChars, DropsCodesBelowTheBlankAndKeepsTheRest)
{
    using Module1::StripCtrlChars;
    EXPECT_EQ(StripCtrlChars(""), "");
    EXPECT_EQ(StripCtrlChars("A\r\nB"), "AB");
    EXPECT_EQ(StripCtrlChars("   "), "   ");
    EXPECT_EQ(StripCtrlChars("two\twords"), "twowords");
    EXPECT_EQ(StripCtrlChars(QString::fromLatin1("a\0b\x1f"
                                                 "c",
                                                 5)),
              "abc");
    EXPECT_EQ(StripCtrlChars(QString::fromUtf8("\x7f\xc3\xa9\xe2\x82\xac")),
              QString::fromUtf8("\x7f\xc3\xa9\xe2\x82\xac"));
    const QString longText = QString(32767, u'x').replace(100, 1, u'\n');
    EXPECT_EQ(StripCtrlChars(longText).size(), 32766);
}

TEST(SerialNumber, IsPaddedToSixteenAndReplacesEverythingFromThePlaceholder)
{
    EXPECT_EQ(serialNumberOfRun("123"), "0000000000000123");
    EXPECT_EQ(serialNumberOfRun(" 42 "), "0000000000000042");
    EXPECT_EQ(serialNumberOfRun("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(serialNumberOfRun(""), "0000000000000000");

    EXPECT_EQ(lineAsSent("/rawxact ABC{{sn}}DEF", "0000000000000007"),
              "/rawxact ABC0000000000000007");
    EXPECT_EQ(lineAsSent("/rawsend no placeholder", "0000000000000007"), "/rawsend no placeholder");
    // Upper-casing must not move the position: "ß" stays one character.
    EXPECT_EQ(lineAsSent(QString::fromUtf8("/rawsend stra\xc3\x9f"
                                           "e{{Sn}}x"),
                         "1"),
              QString::fromUtf8("/rawsend stra\xc3\x9f"
                                "e1"));
    EXPECT_EQ(upperCase(QString::fromUtf8("stra\xc3\x9f"
                                          "e")),
              QString::fromUtf8("STRA\xc3\x9f"
                                "E"));
}

TEST(CommandFileTexts, PreviewTitleAndCleanedPath)
{
    const QString preview = commandPreview("abcd.xls", {{"/rawsend x", false}});
    EXPECT_EQ(preview, "Filename: abcd.xls\r\n"
                       "\r\n"
                       "==================\r\n"
                       "Preview of commands:\r\n"
                       "------------------\r\n"
                       "/rawsend x\r\n"
                       "------------------\r\n"
                       "End of list\r\n");
    EXPECT_EQ(commandFileTitle("bench/a.xls  "), "Orvelle 1.04.00 [bench/a.xls]");
    EXPECT_EQ(cleanedCommandFile("  a b.xls \x01\x1f"), "a b.xls ");
    EXPECT_EQ(cleanedCommandFile("a.xls\t"), "a.xls");
}

TEST(CommandFilePath, BackslashesOfRelativePathsAreFolderSeparators)
{
#ifndef _WIN32
    EXPECT_EQ(openablePath(".\\Commands.xls"), "./Commands.xls");
    EXPECT_EQ(openablePath("bench\\room 4\\a.xls"), "bench/room 4/a.xls");
    EXPECT_EQ(openablePath("/srv/odd\\name.xls"), "/srv/odd\\name.xls");
#endif
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("/"));
    EXPECT_FALSE(FileExists("/nonexistent/Commands.xls"));
}

// What the wire carries: Windows-1252, "?" for what it cannot hold.
TEST(WireText, IsWindows1252WithAQuestionMarkForWhatItCannotHold)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"plain /rawsend 1", "plain /rawsend 1"},
        {"\u20acuro \u201cq\u201d \u00e9 \u00ff \u0178", "\x80uro \x93q\x94 \xe9 \xff \x9f"},
        {"\u0100 \u4f60 \U0001F600 \u0080", "? ? ? ?"},
        // The bytes the code page leaves unused stand for the control characters of their number.
        {"\u0081\u008d\u008f\u0090\u009d", "\x81\x8d\x8f\x90\x9d"},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(toWire(QString::fromUtf8(text)), bytes) << text;
    }
    QByteArray everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    EXPECT_EQ(toWire(fromWire(everyByte)), everyByte);
    EXPECT_EQ(fromWire("\x80 \x93\x94 \xe9"), QString::fromUtf8("\u20ac \u201c\u201d \u00e9"));
    // The line as it goes out, "?" and all.
    EXPECT_EQ(lineAsSent(QString::fromUtf8("/rawsend \u20ac \u0100 {{SN}}"),
                         QString::fromUtf8("\u03a97")),
              QString::fromUtf8("/rawsend \u20ac ? ?7"));
}

} // namespace
