// The main window's size and the view's controls: the window starts at the
// form's size and can be made smaller (the output area then scrolls) or
// larger (the output area grows); the server list opens at the host in its
// edit field.
#include "CommandTestSupport.h"
#include "DialogUnitScale.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QScrollBar>
#include <QStyle>

using namespace brisvander;
using namespace brisvander::testsupport;

namespace {

OutputPane& Output(CBrisvanderApp& app) { return *app.View()->findChild<OutputPane*>(QStringLiteral("IDC_OUTPUT")); }

} // namespace

TEST_F(CommandTest, TheWindowStartsAtTheFormAndMayBeMadeSmallerOrLarger)
{
    Start(LoopbackHost());
    CMainFrame& frame = *m_app->MainFrame();
    CBrisvanderView& view = *m_app->View();
    OutputPane& output = Output(*m_app);
    QApplication::processEvents();

    // At the start the form is laid out as its template says.
    const DialogUnitScale dialogUnits(view.font());
    EXPECT_EQ(view.size(), view.sizeHint());
    EXPECT_EQ(output.geometry(), dialogUnits.Rect(7, 44, 275, 155));
    EXPECT_TRUE(output.toolTip().contains(QStringLiteral("UTC")));

    // Smaller: at 200 % a 1366 x 768 screen has 683 x 384 pixels of this
    // size, less a title bar.
    const QSize least = frame.minimumSizeHint();
    EXPECT_LT(least.height(), frame.sizeHint().height());
    EXPECT_LE(least.width(), 683);
    EXPECT_LE(least.height(), 384 - 2 * frame.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    frame.resize(least);
    QApplication::processEvents();
    EXPECT_EQ(frame.size(), least);
    EXPECT_TRUE(view.rect().contains(output.geometry()));
    EXPECT_GT(output.height(), 2 * output.fontMetrics().lineSpacing());
    // The introduction no longer fits: it scrolls.
    QScrollBar* scroll = output.verticalScrollBar();
    EXPECT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->maximum(), output.TextHeight() - output.viewport()->height());
    scroll->setValue(scroll->maximum());
    output.setText(QStringLiteral("neu"));
    EXPECT_EQ(scroll->value(), 0) << "a new text starts at its first line";
    EXPECT_EQ(scroll->maximum(), 0);

    // Larger: the output area takes the room, the margins stay.
    frame.resize(frame.sizeHint() + QSize(200, 100));
    QApplication::processEvents();
    EXPECT_EQ(output.geometry(), dialogUnits.Rect(7, 44, 275, 155).adjusted(0, 0, 200, 100));
}

TEST_F(CommandTest, TheServerListOpensAtTheHostInItsEditField)
{
    Start(LoopbackHost());
    QComboBox& combo = *ServerCombo(*m_app);
    QAbstractItemView& list = *combo.view();
    ASSERT_GT(combo.count(), 100);
    combo.setCurrentIndex(3); // the entry chosen last
    const auto openedRow = [&](const QString& typed) {
        TypeHost(typed);
        combo.showPopup();
        const QModelIndex current = list.currentIndex();
        const bool shown = current.isValid() && list.viewport()->rect().intersects(list.visualRect(current));
        const int row = current.isValid() && shown ? current.row() : -2;
        combo.hidePopup();
        EXPECT_EQ(combo.currentText(), typed) << "the edit field keeps what was typed";
        return row;
    };

    const int far = combo.count() - 10;
    EXPECT_EQ(openedRow(combo.itemText(far)), far);
    EXPECT_EQ(openedRow(combo.itemText(far).toUpper()), far);
    const QString start = combo.itemText(far).left(5);
    const int startRow = openedRow(start);
    ASSERT_GE(startRow, 0);
    EXPECT_TRUE(combo.itemText(startRow).startsWith(start));

    TypeHost(QStringLiteral("192.0.2.77")); // in no list
    combo.showPopup();
    EXPECT_FALSE(list.currentIndex().isValid());
    EXPECT_EQ(list.verticalScrollBar()->value(), 0);
    combo.hidePopup();
    EXPECT_EQ(combo.currentIndex(), 3) << "opening the list chooses nothing";
}
