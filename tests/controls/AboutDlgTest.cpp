#include "AboutDlg.h"
#include "AboutTexts.h"
#include "CreditsScroller.h"
#include "DesktopFakes.h"
#include "LinkLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

void PaintNow(QWidget& widget)
{
    widget.show();
    widget.repaint();
    QApplication::processEvents();
}

TEST(CreditsScroller, TheFirstPaintLaysOutAndStartsTheTicks)
{
    CCreditsScroller panel;
    panel.resize(300, 80);
    panel.SetBorder(false);
    panel.AddLines({QStringLiteral("Eins"), QStringLiteral(" "), QStringLiteral("Zwei")});
    EXPECT_FALSE(panel.IsTicking());
    PaintNow(panel);
    EXPECT_TRUE(panel.IsTicking());
    ASSERT_EQ(panel.Scroll().Lines().size(), 3u);
    EXPECT_EQ(panel.Scroll().Lines()[0].homeTop, panel.ClientArea().height());

    const int start = panel.Scroll().Lines()[0].top;
    for (int i = 0; i < 5; ++i)
        panel.Tick();
    EXPECT_EQ(panel.Scroll().Lines()[0].top, start - 5);
}

TEST(AboutDlg, CreditsHaveTheirFixedStructure)
{
    CAboutDlg dialog;
    const QStringList entries = AboutCreditEntries();
    ASSERT_EQ(entries.size(), 12);
    EXPECT_EQ(entries[0], entries[11]);
    EXPECT_TRUE(entries[0].startsWith(QStringLiteral("Brisvander Version 1.2 ")));
    EXPECT_EQ(entries[2], QStringLiteral("Setup:"));
    EXPECT_EQ(entries[7], QStringLiteral("PAD:"));
    for (int blank : {1, 6, 10})
        EXPECT_EQ(entries[blank], QStringLiteral(" "));

    // Every entry is at least one line; the blank ones stay in place.
    const auto& lines = dialog.Credits().Scroll().Lines();
    EXPECT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[1].text, " ");
    EXPECT_EQ(dialog.Credits().Scroll().BkColor(), Rgb(255, 255, 255));
    EXPECT_EQ(dialog.Credits().Scroll().Font().faceName, "Courrier");
    EXPECT_EQ(dialog.Credits().Scroll().Font().pixelSize, 14);
}

TEST(AboutDlg, EveryOpeningStartsTheCreditsFromBelow)
{
    for (int opening = 0; opening < 2; ++opening) {
        CAboutDlg dialog;
        PaintNow(dialog);
        const auto& lines = dialog.Credits().Scroll().Lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_FALSE(dialog.Credits().Scroll().LayoutPending());
        EXPECT_EQ(lines[0].top, lines[0].homeTop) << "opening " << opening;
        for (int i = 0; i < 30; ++i)
            dialog.Credits().Tick();
        EXPECT_EQ(lines[0].top, lines[0].homeTop - 30);
        dialog.close();
    }
}

void ClickOn(QWidget& widget)
{
    const QPointF inside(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, inside, widget.mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, widget.mapToGlobal(inside), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

TEST(AboutDlg, EachLinkStartsTheDesktopOpenerWithItsAddress)
{
    FakeXdgOpen opener;
    CAboutDlg dialog;
    ClickOn(dialog.WebLink());
    ClickOn(dialog.MailLink());
    EXPECT_TRUE(dialog.WebLink().IsOpened());
    EXPECT_TRUE(dialog.MailLink().IsOpened());

    QStringList opened;
    for (const QStringList& call : opener.WaitForCalls(2))
        opened << call.mid(1);
    opened.sort();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("http://www.quillmade.de"),
                                   QStringLiteral("mailto:brisvander@quillmade.de")}));
}

TEST(AboutDlg, EscapeEndsIt)
{
    CAboutDlg dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
    });
    EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
}

} // namespace
