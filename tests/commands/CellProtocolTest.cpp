#include "commands/CellProtocol.h"

#include <gtest/gtest.h>

namespace {

using cells::Cell;

cells::Range sample()
{
    cells::Range range;
    range.rows = {
        {Cell{Cell::Kind::Text, "Code", 0}, Cell{Cell::Kind::Text, "Command", 0}},
        {Cell{Cell::Kind::Number, "", 1}, Cell{Cell::Kind::Text, "two\nlines and  blanks ", 0}},
        {Cell{}, Cell{Cell::Kind::Number, "", 0.1}},
        {Cell{Cell::Kind::Date, "2026-12-07", 0}, Cell{Cell::Kind::Text, "Grüße", 0}},
        {Cell{Cell::Kind::Boolean, "", 1}, Cell{Cell::Kind::Boolean, "", 0}},
    };
    return range;
}

TEST(CellProtocol, CellsComeBackAsTheyWent)
{
    const auto decoded = cells::decode(cells::encode(sample()));
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->error);
    EXPECT_EQ(decoded->rows, sample().rows);

    cells::Range failed;
    failed.error = "the workbook has no worksheet";
    const auto error = cells::decode(cells::encode(failed));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error, failed.error);
    EXPECT_TRUE(error->rows.empty());
}

TEST(CellProtocol, OutputCutShortOrAlteredIsRefused)
{
    const std::string whole = cells::encode(sample());
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(cells::decode(whole.substr(0, size))) << "cut to " << size << " bytes";
    }
    EXPECT_FALSE(cells::decode(whole + "x"));
    std::string wrongLength = whole;
    wrongLength.replace(wrongLength.find("T 4 Code"), 8, "T 5 Code");
    EXPECT_FALSE(cells::decode(wrongLength));
    EXPECT_FALSE(cells::decode("orvelle-cells 1\nrows 99999999999999999999\n"));
    EXPECT_FALSE(cells::decode("orvelle-cells 1\nrows 1\nD x\nN\nend\n"));
    EXPECT_FALSE(cells::decode("orvelle-cells 1\nrows 1\nB 2\nN\nend\n"));
    // The largest count a size holds is refused like any other that the text does not match.
    EXPECT_FALSE(cells::decode("orvelle-cells 1\nrows 1\nT 18446744073709551615 \nN\nend\n"));
    EXPECT_FALSE(cells::decode("orvelle-cells 2\nrows 0\nend\n"));
}

// The range holds 1000 rows: an answer with more, well formed or not, is refused
// before anything is made of its rows.
TEST(CellProtocol, MoreRowsThanTheRangeHoldsAreRefused)
{
    for (const std::size_t rows : {std::size_t{1000}, std::size_t{1001}, std::size_t{2999}}) {
        cells::Range range;
        range.rows.assign(rows, {Cell{Cell::Kind::Number, "", 1}, Cell{Cell::Kind::Text, "/x", 0}});
        EXPECT_EQ(cells::decode(cells::encode(range)).has_value(), rows <= cells::kRangeRows)
            << rows << " rows";
    }
}

} // namespace

#include "commands/HelperFrames.h"

namespace {

TEST(HelperFrames, AnAnswerCountsOnlyWhenItsWholeFrameHasArrived)
{
    const std::string frame = helperframes::answerFrame("orvelle-cells 1\nrows 0\nend\n");
    bool malformed = true;
    for (std::size_t size = 0; size < frame.size(); ++size) {
        EXPECT_FALSE(
            helperframes::completeAnswer(std::string_view(frame).substr(0, size), malformed));
        EXPECT_FALSE(malformed) << "cut to " << size << " bytes";
    }
    EXPECT_EQ(helperframes::completeAnswer(frame, malformed), "orvelle-cells 1\nrows 0\nend\n");
    EXPECT_FALSE(malformed);

    for (const std::string& bad : {frame + "x", std::string("frame x\n"), std::string("hello\n"),
                                   std::string("frame 99999999999999\n"), std::string(40, '7')}) {
        EXPECT_FALSE(helperframes::completeAnswer(bad, malformed));
        EXPECT_TRUE(malformed) << bad;
    }
}

TEST(HelperFrames, WhereThePipeCutsAnAnswerDoesNotChangeHowItIsJudged)
{
    // A first line too long to be a frame is refused whether or not its line feed has come.
    const std::string frame = "frame " + std::string(30, '0') + "5\nhello";
    bool malformed = false;
    for (std::size_t size = 27; size <= frame.size(); ++size) {
        EXPECT_FALSE(
            helperframes::completeAnswer(std::string_view(frame).substr(0, size), malformed));
        EXPECT_TRUE(malformed) << "cut to " << size << " bytes";
    }
}

TEST(HelperFrames, ARequestCarriesAnyPath)
{
    const std::string path("/tmp/odd\nname \0.xls", 19);
    std::string request = helperframes::request(path) + helperframes::request("second");
    std::FILE* in = fmemopen(request.data(), request.size(), "r");
    ASSERT_NE(in, nullptr);
    std::string read;
    EXPECT_TRUE(helperframes::readRequest(in, read));
    EXPECT_EQ(read, path);
    EXPECT_TRUE(helperframes::readRequest(in, read));
    EXPECT_EQ(read, "second");
    EXPECT_FALSE(helperframes::readRequest(in, read));
    std::fclose(in);
}

} // namespace
