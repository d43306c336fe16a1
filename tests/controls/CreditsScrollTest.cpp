#include "CreditsScroll.h"

#include "RecordingSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

// B = 100, H = 16 unless a test says otherwise.
class CreditsScrollTest : public ::testing::Test {
protected:
    void Give(const std::vector<std::string>& entries)
    {
        scroll.AddLines(entries, surface);
        scroll.Paint(surface);
        surface.Clear();
    }

    // Runs ticks; returns the tick numbers (from 1) on which `text` was drawn at `top`.
    std::vector<int> RunTicks(int count, const std::string& text, int top)
    {
        std::vector<int> ticks;
        for (int i = 1; i <= count; ++i) {
            surface.Clear();
            scroll.ScrollStep(surface);
            ++tick;
            for (const auto& d : surface.drawn) {
                if (d.text == text && d.rect.top == top)
                    ticks.push_back(tick);
            }
        }
        return ticks;
    }

    RecordingSurface surface;
    CreditsScroll scroll;
    int tick = 0;
};

TEST_F(CreditsScrollTest, LaysOutBelowThePanelAtTheFirstPaint)
{
    scroll.AddLines({"one", "two", "three"}, surface);
    EXPECT_TRUE(scroll.LayoutPending());
    scroll.Paint(surface);
    ASSERT_EQ(scroll.Lines().size(), 3u);
    EXPECT_EQ(scroll.Lines()[0].homeTop, 100);
    EXPECT_EQ(scroll.Lines()[1].homeTop, 117);
    EXPECT_EQ(scroll.Lines()[2].homeTop, 134);
    EXPECT_EQ(scroll.Lines()[2].top, 134);
    EXPECT_FALSE(scroll.LayoutPending());
    ASSERT_FALSE(surface.filled.empty());
    EXPECT_EQ(surface.filled.back(), (PanelRect{0, 0, 200, 100}));
}

TEST_F(CreditsScrollTest, WrapsToTheWidthInCharactersOfT)
{
    surface.width = 100;  // ten "T" wide
    scroll.AddLines({"abc def ghij klm"}, surface);
    ASSERT_EQ(scroll.Lines().size(), 2u);
    EXPECT_EQ(scroll.Lines()[0].text, "abc def");
    EXPECT_EQ(scroll.Lines()[1].text, "ghij klm");
}

TEST_F(CreditsScrollTest, ThreeLinesCycleIn135Ticks)
{
    Give({"one", "two", "three"});

    // Nothing shows until the first line is wholly inside: tick 16, top 84.
    EXPECT_EQ(RunTicks(15, "one", 84), std::vector<int>{});
    EXPECT_EQ(RunTicks(1, "one", 84), std::vector<int>{16});
    ASSERT_EQ(surface.drawn.size(), 1u);
    EXPECT_EQ(surface.drawn[0].rect, (PanelRect{0, 84, 200, 100}));
    // Its old image one pixel lower is wiped first, the top band last.
    EXPECT_EQ(surface.filled.front(), (PanelRect{0, 83, 200, 101}));
    EXPECT_EQ(surface.filled.back(), (PanelRect{0, 0, 200, 16}));

    RunTicks(101 - tick, "", 0);
    EXPECT_EQ(scroll.Lines()[0].top, 100);
    EXPECT_FALSE(scroll.Lines()[0].moving);
    EXPECT_TRUE(scroll.Lines()[1].moving);

    RunTicks(118 - tick, "", 0);
    EXPECT_FALSE(scroll.Lines()[1].moving);
    EXPECT_EQ(scroll.Lines()[1].top, 117);

    RunTicks(134 - tick, "", 0);
    EXPECT_EQ(scroll.Lines()[2].top, 0);
    EXPECT_FALSE(scroll.Lines()[0].moving);

    RunTicks(1, "", 0);  // tick 135: the last line leaves, all start again
    for (const ScrollLine& line : scroll.Lines()) {
        EXPECT_TRUE(line.moving);
        EXPECT_EQ(line.top, line.homeTop);
    }
    EXPECT_EQ(RunTicks(16, "one", 84), std::vector<int>{135 + 16});
}

// The panel's rows as the eye sees them: which line's body or descender
// part each row shows after the fills and draws of a tick.
class RowSurface : public RecordingSurface {
public:
    struct Row {
        std::string text; // empty: background
        bool descender = false;
    };
    std::vector<Row> rows = std::vector<Row>(static_cast<std::size_t>(height));

    void FillRect(const PanelRect& rect, COLORREF colour) override
    {
        RecordingSurface::FillRect(rect, colour);
        for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height); ++y)
            rows[static_cast<std::size_t>(y)] = Row{};
    }
    void DrawCentredText(const std::string& text, const PanelRect& rect, COLORREF colour) override
    {
        RecordingSurface::DrawCentredText(text, rect, colour);
        for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height); ++y)
            rows[static_cast<std::size_t>(y)] = Row{text, y - rect.top >= lineHeight - descent};
    }
    // How many rows show the body and how many the descenders of `text`.
    std::pair<int, int> Shown(const std::string& text) const
    {
        std::pair<int, int> shown;
        for (const Row& row : rows) {
            if (row.text == text)
                ++(row.descender ? shown.second : shown.first);
        }
        return shown;
    }
};

TEST(CreditsScroll, ALineGoesUnderTheBandWithItsDescendersNeverLeavingThemBehind)
{
    RowSurface surface;
    surface.descent = 4;
    CreditsScroll scroll;
    const std::vector<std::string> texts = {"one", "two", "three"};
    scroll.AddLines(texts, surface);
    scroll.Paint(surface);
    int partlyUnderTheBand = 0;
    for (int tick = 1; tick <= 2 * 135; ++tick) {
        scroll.ScrollStep(surface);
        for (const std::string& text : texts) {
            const auto [body, descender] = surface.Shown(text);
            EXPECT_FALSE(body == 0 && descender > 0) << text << " leaves stubs on tick " << tick;
            if (body > 0 && body < surface.lineHeight - surface.descent)
                ++partlyUnderTheBand;
        }
    }
    // Each line still slides under the band, one row a tick, twice round.
    EXPECT_EQ(partlyUnderTheBand, 3 * 2 * (surface.lineHeight - surface.descent - 1));
}

TEST_F(CreditsScrollTest, OneLineRestartsAtOnceWhenItLeaves)
{
    Give({"only"});
    const std::vector<int> shown = RunTicks(300, "only", 84);
    // Cycle of homeTop + 1 = 101 ticks.
    EXPECT_EQ(shown, (std::vector<int>{16, 117, 218}));
    EXPECT_TRUE(scroll.Lines()[0].moving);
}

TEST_F(CreditsScrollTest, APanelLowerThanOneLineDrawsNothingButStillCycles)
{
    surface.height = 10;
    Give({"one", "two"});
    const int cycle = 10 + 17 + 1;
    for (int i = 0; i < 2 * cycle; ++i) {
        surface.Clear();
        scroll.ScrollStep(surface);
        EXPECT_TRUE(surface.drawn.empty());
    }
    for (const ScrollLine& line : scroll.Lines()) {
        EXPECT_EQ(line.top, line.homeTop);
        EXPECT_TRUE(line.moving);
    }
}

TEST_F(CreditsScrollTest, APaintMidCycleBlanksWithoutMovingTheLines)
{
    Give({"one", "two"});
    RunTicks(40, "", 0);
    const int before = scroll.Lines()[0].top;
    scroll.Paint(surface);
    EXPECT_EQ(scroll.Lines()[0].top, before);
    EXPECT_EQ(surface.filled.back(), (PanelRect{0, 0, 200, 100}));
    EXPECT_EQ(RunTicks(1, "one", before - 1), std::vector<int>{41});
}

TEST_F(CreditsScrollTest, WithoutLinesOnlyBackgroundIsFilled)
{
    scroll.Paint(surface);
    scroll.ScrollStep(surface);
    EXPECT_TRUE(surface.drawn.empty());
    EXPECT_EQ(surface.filled.size(), 1u);
    EXPECT_TRUE(scroll.LayoutPending());
}

TEST_F(CreditsScrollTest, SettersReturnThePreviousValueAndNeverRewrap)
{
    surface.width = 100;
    scroll.SetFontName("Courrier");
    EXPECT_EQ(scroll.SetFontName("Mono"), "Courrier");
    EXPECT_EQ(scroll.SetTextColor(Rgb(1, 2, 3)), Rgb(0, 0, 0));
    EXPECT_EQ(scroll.SetBkColor(Rgb(255, 255, 255)), Rgb(204, 204, 255));
    EXPECT_EQ(scroll.SetTextColor(0), Rgb(1, 2, 3));

    Give({"abc def ghij klm"});
    RunTicks(5, "", 0);
    surface.charWidth = 1;
    scroll.SetFontSize(30);
    scroll.SetFontItalic(true);
    EXPECT_EQ(scroll.Lines().size(), 2u);
    EXPECT_EQ(scroll.Lines()[0].top, 95);
    EXPECT_EQ(scroll.Font().pixelSize, 30);
    EXPECT_TRUE(scroll.Font().italic);
}

TEST_F(CreditsScrollTest, ALongFaceNameIsCutTo31Characters)
{
    std::string umlauts;
    for (int i = 0; i < 40; ++i)
        umlauts += "ä";
    scroll.SetFontName(umlauts);
    std::string expected;
    for (int i = 0; i < 31; ++i)
        expected += "ä";
    EXPECT_EQ(scroll.Font().faceName, expected);
}

TEST_F(CreditsScrollTest, LinesGivenAgainAreLaidOutAfreshFromBelow)
{
    Give({"one"});
    RunTicks(30, "", 0);
    scroll.AddLines({"two"}, surface);
    scroll.Paint(surface);
    ASSERT_EQ(scroll.Lines().size(), 2u);
    EXPECT_EQ(scroll.Lines()[0].top, 100);
    EXPECT_EQ(scroll.Lines()[1].top, 117);
}

} // namespace
