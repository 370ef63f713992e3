#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/windowlist.h"

using platform::CaptionMatchesTitle;
using platform::FindWindowLike;
using platform::LikeMatch;
using platform::TopWindow;

TEST(LikeMatch, WildcardsSetsAndDigits) {
    EXPECT_TRUE(LikeMatch("EXPORT - DOC", "EXPORT - *"));
    EXPECT_TRUE(LikeMatch("EXPORT - ", "EXPORT - *"));
    EXPECT_FALSE(LikeMatch("EXPORT -", "EXPORT - *"));
    EXPECT_TRUE(LikeMatch("A1C", "A#C"));
    EXPECT_FALSE(LikeMatch("ABC", "A#C"));
    EXPECT_TRUE(LikeMatch("ABC", "A?C"));
    EXPECT_TRUE(LikeMatch("BAT", "[A-C]AT"));
    EXPECT_FALSE(LikeMatch("DAT", "[A-C]AT"));
    EXPECT_TRUE(LikeMatch("DAT", "[!A-C]AT"));
    EXPECT_TRUE(LikeMatch("X*Y", "X[*]Y"));
    EXPECT_TRUE(LikeMatch("AXXB", "A*B"));
    EXPECT_TRUE(LikeMatch("AB - B - C", "*B - C"));
    EXPECT_TRUE(LikeMatch("", "*"));
    EXPECT_FALSE(LikeMatch("", "?"));
}

TEST(CaptionMatch, TitleAloneOrFollowedByDashAndAnything) {
    EXPECT_TRUE(CaptionMatchesTitle("EXPORT", "export"));
    EXPECT_TRUE(CaptionMatchesTitle("Export - LibreOffice Writer", " export "));
    EXPECT_FALSE(CaptionMatchesTitle("EXPORT.RTF - LibreOffice Writer", "export"));
    EXPECT_FALSE(CaptionMatchesTitle("My EXPORT", "export"));
    // Pattern characters inside the title keep their meaning.
    EXPECT_TRUE(CaptionMatchesTitle("EXP1RT - x", "exp#rt"));
    EXPECT_FALSE(CaptionMatchesTitle("EXPORT - x", "exp#rt"));
}

TEST(FindWindowLike, WalksFromTheFirstWindowOfTheClass) {
    const std::vector<TopWindow> windows = {
        {1, "Other", "EXPORT.RTF - Writer"},
        {2, "ThunderRT6Form", "Runemill"},
        {3, "Other", "Export - Writer"},
    };
    EXPECT_EQ(FindWindowLike(std::nullopt, "export", windows), 3u);
    EXPECT_EQ(FindWindowLike(std::nullopt, "RUNEMILL", windows), 2u);
    // With a class, the exact lookup is restricted to it, and the walk starts
    // at its first window but then visits windows of any class.
    EXPECT_EQ(FindWindowLike(std::string("ThunderRT6Form"), "export", windows), 3u);
    EXPECT_EQ(FindWindowLike(std::string("ThunderRT5Form"), "export", windows), 0u);
    EXPECT_EQ(FindWindowLike(std::nullopt, "nothing", windows), 0u);
}

TEST(FindWindowLike, CaptionsAreReadUpTo254Characters) {
    const std::string longCaption = "EXPORT - " + std::string(300, 'x');
    const std::vector<TopWindow> windows = {{7, "C", longCaption}};
    EXPECT_EQ(FindWindowLike(std::nullopt, "export", windows), 7u);
}

TEST(FindAppWindow, FindsAndActivatesTheProgramsOwnWindow) {
    QWidget w;
    w.setWindowTitle("EXPORT - test");
    w.show();
    w.showMinimized();
    const auto h = platform::FindAppWindow("export");
    ASSERT_EQ(h, reinterpret_cast<platform::WindowHandle>(&w));
    platform::ActivateWindow(h);
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(platform::FindAppWindow("no such window"), 0u);
    platform::ActivateWindow(0);  // nothing happens
}
