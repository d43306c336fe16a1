#include "FitToText.h"
#include "LinkLabel.h"
#include "OpenErrorText.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>

using namespace brisvander;

namespace {

TEST(OpenErrorText, KnownCodesHaveTheirWordsAndOthersTheirNumber)
{
    const QString heading = QStringLiteral("Unable to open hyperlink:\n\n");
    EXPECT_EQ(OpenErrorText(2), heading + QStringLiteral("The specified file was not found."));
    EXPECT_EQ(OpenErrorText(31),
              heading + QStringLiteral("There is no application associated\nwith the given filename extension."));
    EXPECT_EQ(OpenErrorText(4), heading + QStringLiteral("Unknown Error (4) occurred."));
    EXPECT_EQ(OpenErrorText(-1), heading + QStringLiteral("Unknown Error (-1) occurred."));
    EXPECT_EQ(OpenErrorText(1), heading + QStringLiteral("Unknown Error (1) occurred."));
}

TEST(FitToText, LeftAlignedShrinksToTheTextKeepingLeftAndTop)
{
    EXPECT_EQ(FitRectToText({10, 20, 210, 40}, 120, 13, {}), (LabelRect{10, 20, 130, 33}));
}

TEST(FitToText, RightAlignedKeepsTheRightEdge)
{
    EXPECT_EQ(FitRectToText({10, 20, 210, 40}, 120, 13, {false, true, false}), (LabelRect{90, 20, 210, 33}));
}

TEST(FitToText, CentredHalvesTruncateTowardZero)
{
    const LabelAlignment centred{true, false, false};
    const LabelRect narrower = FitRectToText({0, 0, 13, 8}, 10, 8, centred);
    EXPECT_EQ(narrower, (LabelRect{1, 0, 12, 8}));
    EXPECT_EQ(narrower.Width(), 11);
    const LabelRect wider = FitRectToText({0, 0, 10, 8}, 13, 8, centred);
    EXPECT_EQ(wider, (LabelRect{-1, 0, 11, 8}));
    EXPECT_EQ(wider.Width(), 12);
}

TEST(FitToText, CentreImageCentresVertically)
{
    const LabelRect fitted = FitRectToText({0, 0, 50, 13}, 50, 8, {false, false, true});
    EXPECT_EQ(fitted, (LabelRect{0, 2, 50, 11}));
    EXPECT_EQ(fitted.Height(), 9);
}

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(400, 200);
        label = new CLinkLabel(&parent);
        label->setText(QStringLiteral("https://www.quillmade.example/"));
        label->setGeometry(20, 30, 300, 40);
        label->SetOpener([this](const QString& target) {
            targets << target;
            return nextResult;
        });
        label->SetFailureSignals([this] { ++beeps; }, [this](const QString& text) { messages << text; });
        label->Attach();
    }

    void Click() { PressAndRelease(QPointF(2, 2), QPointF(2, 2)); }
    // Both positions in the label's coordinates; the label gets both events,
    // as it does while it holds the mouse grab of the press.
    void PressAndRelease(QPointF pressAt, QPointF releaseAt)
    {
        QMouseEvent press(QEvent::MouseButtonPress, pressAt, label->mapToGlobal(pressAt), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, releaseAt, label->mapToGlobal(releaseAt), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label, &press);
        QApplication::sendEvent(label, &release);
    }
    void Enter()
    {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(label, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(label, &leave);
    }

    QWidget parent;
    CLinkLabel* label = nullptr;
    int nextResult = 42;
    QStringList targets;
    int beeps = 0;
    QStringList messages;
};

TEST_F(LinkLabelTest, AttachingMakesItALinkToItsOwnText)
{
    EXPECT_EQ(label->Target(), QStringLiteral("https://www.quillmade.example/"));
    EXPECT_EQ(label->toolTip(), label->Target());
    EXPECT_TRUE(label->font().underline());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    const QFontMetrics metrics(label->font());
    EXPECT_EQ(label->geometry(), QRect(20, 30, metrics.horizontalAdvance(label->text()), metrics.height()));
}

TEST_F(LinkLabelTest, ColoursFollowHoverAndTheLastOpen)
{
    const COLORREF normal = Rgb(0, 0, 238);
    const COLORREF visited = Rgb(85, 26, 139);
    EXPECT_EQ(label->CurrentTextColour(), normal);

    Click();
    EXPECT_EQ(targets, QStringList{label->Target()});
    EXPECT_TRUE(label->IsOpened());
    EXPECT_EQ(label->CurrentTextColour(), visited);
    EXPECT_EQ(beeps, 0);
    EXPECT_TRUE(messages.isEmpty());

    Enter();
    EXPECT_TRUE(label->IsHot());
    const COLORREF hot = label->CurrentTextColour();
    const QColor highlight = QApplication::palette().color(QPalette::Highlight);
    EXPECT_EQ(hot, Rgb(highlight.red(), highlight.green(), highlight.blue()));
    Leave();
    EXPECT_EQ(label->CurrentTextColour(), visited);

    nextResult = 31;
    Click();
    EXPECT_FALSE(label->IsOpened());
    EXPECT_EQ(label->CurrentTextColour(), normal);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages, QStringList{OpenErrorText(31)});
}

// As with any button: only a press and a release both on the label open it.
TEST_F(LinkLabelTest, AReleaseOutsideTheLabelOpensNothing)
{
    const QPointF inside(2, 2);
    const QPointF justRight(label->width() + 1, 2);
    const QPointF below(2, label->height() + 5);
    PressAndRelease(inside, justRight);
    PressAndRelease(inside, below);
    PressAndRelease(inside, QPointF(-1, 2));
    EXPECT_TRUE(targets.isEmpty());
    EXPECT_FALSE(label->IsOpened());
    EXPECT_EQ(beeps, 0);

    // Nor does a release on it whose press was elsewhere.
    QMouseEvent release(QEvent::MouseButtonRelease, inside, label->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(label, &release);
    EXPECT_TRUE(targets.isEmpty());

    // The label is no worse for it: the next whole click opens.
    PressAndRelease(inside, QPointF(label->width() - 1, label->height() - 1));
    EXPECT_EQ(targets, QStringList{label->Target()});
}

TEST(LinkLabel, AnEmptyLabelOpensNothingAndSaysSo)
{
    QWidget parent;
    CLinkLabel label(&parent);
    int beeps = 0;
    QStringList messages;
    label.SetFailureSignals([&] { ++beeps; }, [&](const QString& text) { messages << text; });
    label.Attach();
    // The real opener: an empty address is refused before any program runs.
    label.OnLinkClicked();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages, QStringList{OpenErrorText(2)});
}

} // namespace
