#include "platform/captions.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "platform/controls.h"
#include "support/controls.h"

using platform::CaptionLayout;
using platform::FitCaption;

namespace {

const QFont kCourier9 = platform::MakeFont(QStringLiteral("Courier New"), 9);

bool fitsAt(const QFont& font, const QString& text, const QRect& area, int flags) {
    const QRect needed = QFontMetrics(font).boundingRect(area, flags, text);
    return needed.width() <= area.width() && needed.height() <= area.height();
}

int pixels(const QFont& font) { return QFontInfo(font).pixelSize(); }

}  // namespace

TEST(FitCaption, ACaptionThatFitsKeepsItsFontOnOneLine) {
    const CaptionLayout c = FitCaption(kCourier9, "Presets", QRect(0, 0, 200, 20), Qt::AlignLeft, true);
    EXPECT_EQ(c.font, kCourier9);
    EXPECT_EQ(c.flags, int(Qt::AlignLeft));
    EXPECT_EQ(c.area, QRect(0, 0, 200, 20));
}

TEST(FitCaption, AHighBoxWrapsBeforeItShrinks) {
    // Two lines of "Back to" / "ANSI 1" fit where one line does not.
    const QRect area(0, 0, 70, 40);
    ASSERT_FALSE(fitsAt(kCourier9, "Back to ANSI 1", area, Qt::AlignCenter));
    const CaptionLayout c = FitCaption(kCourier9, "Back to ANSI 1", area, Qt::AlignCenter, true);
    EXPECT_EQ(c.font, kCourier9);
    EXPECT_EQ(c.flags, Qt::AlignCenter | Qt::TextWordWrap);
}

TEST(FitCaption, ATooLongCaptionTakesTheLargestPixelSizeThatFits) {
    const QString text = "Quote abbreviations in ** but first create and save the list";
    for (bool mayWrap : {false, true}) {
        const QRect area(0, 0, 425, 17);
        const CaptionLayout c = FitCaption(kCourier9, text, area, Qt::AlignLeft | Qt::AlignTop, mayWrap);
        EXPECT_LT(pixels(c.font), pixels(kCourier9));
        EXPECT_EQ(c.font.family(), kCourier9.family());
        EXPECT_TRUE(fitsAt(c.font, text, area, c.flags));
        // One pixel more fits neither on one line nor wrapped.
        QFont larger = c.font;
        larger.setPixelSize(pixels(c.font) + 1);
        EXPECT_FALSE(fitsAt(larger, text, area, Qt::AlignLeft | Qt::AlignTop));
        EXPECT_FALSE(fitsAt(larger, text, area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap));
    }
}

TEST(FitCaption, WrappedLinesMustFitTheHeightAndLineBreaksCount) {
    // Wide enough for either line, one line high at 9 points.
    const QString text = "Arial 0\r\n12";
    const QRect area(0, 0, 129, 20);
    const CaptionLayout c = FitCaption(kCourier9, text, area, Qt::AlignLeft | Qt::AlignTop, true);
    EXPECT_LT(pixels(c.font), pixels(kCourier9));
    EXPECT_TRUE(fitsAt(c.font, text, area, c.flags));
}

TEST(FitCaption, AnEmptyCaptionOrBoxAndAHopelessOneEndDeterministically) {
    EXPECT_EQ(FitCaption(kCourier9, "", QRect(0, 0, 10, 10), Qt::AlignLeft, true).font, kCourier9);
    EXPECT_EQ(FitCaption(kCourier9, "x", QRect(), Qt::AlignLeft, true).font, kCourier9);
    const QString longText(500, QChar('W'));
    const CaptionLayout a = FitCaption(kCourier9, longText, QRect(0, 0, 20, 5), Qt::AlignLeft, true);
    const CaptionLayout b = FitCaption(kCourier9, longText, QRect(0, 0, 20, 5), Qt::AlignLeft, true);
    EXPECT_EQ(a.font, b.font);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(pixels(a.font), platform::SmallestLegiblePixels());
    EXPECT_EQ(a.text, QString(QChar(0x2026)));
}

TEST(FitCaption, ACaptionThatFitsAtNoLegibleSizeIsCutShortWithAnEllipsis) {
    // A 124-character title on a custom set button, and in a one-line label.
    // A cut that falls after blanks leaves them out before the ellipsis.
    const QString words = QString("Title of a set ").repeated(9).left(124), solid(124, QChar('W'));
    const QString blanks = "Title of" + QString(100, QChar(' ')) + "a set";
    for (const QString& text : {words, solid, blanks}) {
        for (const bool button : {true, false}) {
            const QRect area = button ? QRect(0, 0, 67, 15) : QRect(0, 0, 60, 20);
            const QFont font = button ? platform::WindowFont() : kCourier9;
            const CaptionLayout fit = FitCaption(font, text, area, Qt::AlignCenter, button);
            const std::string shown = fit.text.toStdString();
            EXPECT_EQ(pixels(fit.font), platform::SmallestLegiblePixels()) << shown;
            EXPECT_TRUE(fitsAt(fit.font, fit.text, area, fit.flags)) << shown;
            EXPECT_TRUE(fit.text.endsWith(QChar(0x2026)) && text.startsWith(fit.text.chopped(1))) << shown;
            EXPECT_FALSE(fit.text.chopped(1).endsWith(QChar(' '))) << shown;
            EXPECT_GT(fit.text.size(), 4) << shown;
        }
    }
}

TEST(CaptionControls, ALabelRefitsWhenItsCaptionOrFontChanges) {
    platform::Label label("ANSI");
    label.setFont(kCourier9);
    label.setGeometry(0, 0, 60, 20);
    EXPECT_EQ(label.Caption().font, kCourier9);
    label.setText("Quote abbreviations in ** but first");
    EXPECT_LT(pixels(label.Caption().font), 12);
    label.setText("ANSI");
    EXPECT_EQ(label.Caption().font, kCourier9);
    const QFont larger = platform::MakeFont(QStringLiteral("Courier New"), 12);
    label.setFont(larger);
    EXPECT_EQ(label.Caption().font, larger);
}

TEST(CaptionControls, AFramedLabelsCaptionKeepsClearOfItsFrame) {
    platform::Label label("x");
    label.setFrameStyle(QFrame::Box | QFrame::Plain);
    label.setGeometry(0, 0, 60, 20);
    const QRect area = label.Caption().area;
    EXPECT_TRUE(label.contentsRect().contains(area));
    EXPECT_GT(area.left(), label.contentsRect().left());
    EXPECT_LT(area.right(), label.contentsRect().right());
}

TEST(CaptionControls, AButtonWrapsAndShrinksWithinItsBevel) {
    platform::Button button("Hebrew ANSI with more words");
    button.setFont(platform::WindowFont());
    button.setGeometry(0, 0, 73, 17);
    const CaptionLayout c = button.Caption();
    EXPECT_TRUE(button.rect().adjusted(1, 1, -1, -1).contains(c.area));
    EXPECT_TRUE(fitsAt(c.font, c.text, c.area, c.flags));
    EXPECT_LT(pixels(c.font), pixels(platform::WindowFont()));
    QPushButton plain("Exit");
    EXPECT_FALSE(testing_support::CaptionOf(&plain));
    EXPECT_TRUE(testing_support::CaptionOf(&button));
}
