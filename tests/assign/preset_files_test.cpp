#include <gtest/gtest.h>

#include <QDir>

#include "assign/preset_files.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/testing.h"

using namespace assign;
using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::WriteFile;

namespace {

void userTitles() {
    for (int i = 1; i <= 16; ++i) store::CustomTitle[static_cast<size_t>(i)] = "Set " + std::to_string(i);
    store::CustomTitle[5] = "Runen";
}

}  // namespace

TEST(PresetFiles, TheAssignmentFileHoldsTheSetItsFontAndTheUsersTitles) {
    userTitles();
    std::string error;
    ASSERT_TRUE(WritePresetFiles(Preset(PresetId::Hebrew), &error)) << error;

    const std::string bytes = ReadFile(store::kAssignmentFile).value();
    ASSERT_TRUE(bytes.ends_with("\r\n"));
    const auto lines = ReadLines(store::kAssignmentFile);
    ASSERT_EQ(lines.size(), 210u);
    EXPECT_EQ(lines[0], "\\'c3");   // code 64
    EXPECT_EQ(lines[33], "\\'e0");  // code 97
    EXPECT_EQ(lines[60], "\\'d0");  // code 124
    int escapes = 0;
    for (size_t k = 0; k < 61; ++k) escapes += !lines[k].empty();
    EXPECT_EQ(escapes, 51);
    for (size_t k = 61; k < 192; ++k) EXPECT_EQ(lines[k], "") << k + 1;
    EXPECT_EQ(lines[192], "Times New Roman");
    EXPECT_EQ(lines[193], "177");
    EXPECT_EQ(lines[194], "Set 1");
    EXPECT_EQ(lines[198], "Runen");
    EXPECT_EQ(lines[209], "Set 16");
    // Every line ends in CR LF, none in a lone LF.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 210);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 210);

    EXPECT_EQ(ReadFile(store::kOptionsFile), "14\r\n0\r\n");
}

TEST(PresetFiles, EverySetWritesItsTableLineForLine) {
    for (PresetId id : kAllPresets) {
        const PresetRecord& p = Preset(id);
        ASSERT_TRUE(WritePresetFiles(p, nullptr));
        const auto lines = ReadLines(store::kAssignmentFile);
        ASSERT_EQ(lines.size(), 210u);
        for (int code = 64; code <= 255; ++code) EXPECT_EQ(lines[static_cast<size_t>(code - 64)], p.Cell(code));
        for (size_t k : {28u, 59u, 61u}) EXPECT_EQ(lines[k], "");
        EXPECT_EQ(lines[193], std::to_string(p.charset));
        // Titles never read stay as they are: empty.
        EXPECT_EQ(lines[194], "");
        EXPECT_EQ(ReadFile(store::kOptionsFile),
                  std::to_string(p.size) + "\r\n" + (p.lockUni ? "1" : "0") + "\r\n");
    }
}

TEST(PresetFiles, AnOptionsFileThatCannotBeWrittenLeavesBothFilesAsTheyWere) {
    WriteFile(store::kAssignmentFile, "old table\r\n");
    ASSERT_TRUE(QDir().mkdir(store::kOptionsFile));
    std::string error;
    EXPECT_FALSE(WritePresetFiles(Preset(PresetId::Arab), &error));
    EXPECT_TRUE(error.find(store::kOptionsFile) != std::string::npos) << error;
    EXPECT_EQ(ReadFile(store::kAssignmentFile), "old table\r\n");

    // A file that was missing is missing again.
    ASSERT_TRUE(QFile::remove(store::kAssignmentFile));
    EXPECT_FALSE(WritePresetFiles(Preset(PresetId::Arab), &error));
    EXPECT_FALSE(QFile::exists(store::kAssignmentFile));
}

TEST(PresetFiles, AnAssignmentFileThatCannotBeWrittenIsReportedAndNothingChanges) {
    WriteFile(store::kOptionsFile, " 12 \r\n0\r\n0\r\n0\r\n");
    ASSERT_TRUE(QDir().mkdir(store::kAssignmentFile));
    std::string error;
    EXPECT_FALSE(WritePresetFiles(Preset(PresetId::Greek), &error));
    EXPECT_TRUE(error.find(store::kAssignmentFile) != std::string::npos) << error;
    EXPECT_EQ(ReadFile(store::kOptionsFile), " 12 \r\n0\r\n0\r\n0\r\n");
}

TEST(PresetFiles, AFullDiskKeepsTheFormerFiles) {
    const std::string table(300, 'x');
    WriteFile(store::kAssignmentFile, table);
    WriteFile(store::kOptionsFile, "9\r\n");
    std::string error;
    {
        testing_support::DiskFull full(200);
        EXPECT_FALSE(WritePresetFiles(Preset(PresetId::Cyrillic), &error));
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(store::kAssignmentFile), table);
    EXPECT_EQ(ReadFile(store::kOptionsFile), "9\r\n");
}

TEST(PresetFiles, EachWriteCountsAsOneWriteOfTheSettings) {
    const int before = store::Io.writes;
    ASSERT_TRUE(WritePresetFiles(Preset(PresetId::RussAnsi), nullptr));
    EXPECT_EQ(store::Io.writes, before + 1);
    EXPECT_EQ(store::Io.reads, 0);
}
