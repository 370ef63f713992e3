#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <cstring>
#include <set>

#include "assign/fontchooser.h"
#include "platform/controls.h"

TEST(FontSizeRounding, TenthsBecomeWholePointsWithTiesToTheEvenNumber) {
    const std::pair<int, int> table[] = {{105, 10}, {115, 12}, {125, 12}, {120, 12}, {135, 14}, {104, 10},
                                         {106, 11}, {10, 1},   {15, 2},   {16380, 1638}, {16375, 1638}};
    for (auto [tenths, points] : table) EXPECT_EQ(assign::PointsFromTenths(tenths), points) << tenths;
}

TEST(LockUniButton, ExplainsItselfInOneParagraphOf647Characters) {
    const std::string text = assign::kLockUniExplanation;
    EXPECT_EQ(text.size(), 647u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.rfind("Choose the option LOCK UNI if you want", 0), 0u);
    EXPECT_NE(text.find("(the button is red)"), std::string::npos);
    EXPECT_TRUE(text.ends_with("(3) paste the new symbol and save once more."));
    EXPECT_STREQ(assign::kLockUniTitle, "Lock Uni");
}

TEST(LockUniButton, ShowsUnlockOnRedWhenSetAndLockOnTheButtonFaceWhenNot) {
    QPushButton button;
    assign::ShowLockUni(&button, true);
    EXPECT_EQ(button.text(), "Unlock Uni");
    EXPECT_EQ(platform::BackColor(&button), 255u);
    assign::ShowLockUni(&button, false);
    EXPECT_EQ(button.text(), "Lock Uni");
    EXPECT_EQ(platform::BackColor(&button), platform::kButtonFace);
}

TEST(LockUniPointer, IsAYellowNoteBelowNineTransparentRowsInThreeColours) {
    const QImage& image = assign::LockUniPointerImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(&image, &assign::LockUniPointerImage());  // drawn once

    const QRgb yellow = qRgb(255, 255, 0), black = qRgb(0, 0, 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
    for (int x = 0; x < 32; ++x) {
        EXPECT_EQ(image.pixel(x, 9), black) << x;
        EXPECT_EQ(image.pixel(x, 31), black) << x;
    }
    for (int y = 9; y < 32; ++y) {
        EXPECT_EQ(image.pixel(0, y), black) << y;
        EXPECT_EQ(image.pixel(31, y), black) << y;
    }
    int inkUpper = 0, inkLower = 0, field = 0;
    for (int y = 10; y < 31; ++y)
        for (int x = 1; x < 31; ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_TRUE(p == yellow || p == black) << x << "," << y;
            if (p == yellow) ++field;
            else (y < 20 ? inkUpper : inkLower) += 1;
        }
    // Both words are there, and the field stays mostly yellow.
    EXPECT_GT(inkUpper, 10);
    EXPECT_GT(inkLower, 10);
    EXPECT_GT(field, 400);

    const QCursor pointer = assign::LockUniPointer();
    EXPECT_EQ(pointer.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(pointer.pixmap().size(), QSize(32, 32));
}
