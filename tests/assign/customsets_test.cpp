// The custom set buttons in the real window, their questions answered here.
#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <algorithm>
#include <QLabel>
#include <QPushButton>

#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/pages.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/file_faults.h"
#include "support/testing.h"

using testing_support::CaseBlindFolder;
using testing_support::FolderContents;
using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::WriteFile;

namespace {

using Folder = std::map<std::string, std::string>;

// Answers the dialogue's boxes by the start of their prompts (unlisted boxes
// get their first button) and its input box with the text given; keeps all.
class Dialogue {
public:
    Dialogue() {
        dlg::SetMsgBoxHook([this](const dlg::MsgBoxCall& call) {
            boxes.push_back(call);
            for (const auto& [start, answer] : answers_)
                if (call.prompt.rfind(start, 0) == 0) return answer;
            return (call.style & 7) == dlg::OKOnly ? static_cast<int>(dlg::OK) : static_cast<int>(dlg::Yes);
        });
        dlg::SetInputBoxHook([this](const std::string& prompt, const std::string& title, const std::string& text) {
            inputs.push_back({prompt, title, text});
            return typed_;
        });
    }
    ~Dialogue() { testing_support::InstallUnexpectedDialogHooks(); }

    Dialogue& Answer(const std::string& promptStart, int answer) {
        answers_.emplace_back(promptStart, answer);
        return *this;
    }
    Dialogue& Type(const std::string& text) {
        typed_ = text;
        return *this;
    }
    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const auto& b : boxes) prompts.push_back(b.prompt);
        return prompts;
    }

    struct Input {
        std::string prompt, title, text;
    };
    std::vector<dlg::MsgBoxCall> boxes;
    std::vector<Input> inputs;

private:
    std::vector<std::pair<std::string, int>> answers_;
    std::string typed_;
};

const std::string kSecondQuestion = "Save current settings in Custom1 block?";
const std::string kFirstQuestion = "Reset current settings with Custom1? Choose NO to save current settings as Custom1";

// The program's start as far as page 1 sees it: the main window's ReadINI.
void start() { CharAss().ReadINI(); }

void restart() {
    platform::DestroyAllForms();
    store::ResetSharedState();
    start();
}

void click(int i) { CharAss().Custom(i)->click(); }

// A preset replaces table, font and LOCK UNI: Hebrew ANSI gives Times New
// Roman, character set 177, 14 points, LOCK UNI off.
void applyPreset() { testing_support::ClickButton(CharAss(), QStringLiteral("Hebrew ANSI")); }

// A set saved as Custom1: a Greek alpha on "A", Times New Roman, character
// set 161, 20 points, LOCK UNI on.
void saveGreekSetAsCustom1() {
    store::CellCode[65] = "\\u913?";
    store::CellCode[200] = "\\u937?";
    store::CellFontName = "Times New Roman";
    store::CellCharSet = 161;
    store::CellFontSize = 20;
    store::LockUni = true;
    ASSERT_TRUE(store::WriteSettingsFiles());
    start();
    Dialogue answers;
    answers.Answer(kSecondQuestion, dlg::No);
    click(1);
    ASSERT_EQ(answers.Prompts(), std::vector<std::string>{kSecondQuestion});
}

std::string lines(int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += "x\r\n";
    return text;
}

}  // namespace

TEST(CustomSetDialogue, TheFirstClickSavesAtOnceAndAsksTheSecondQuestion) {
    start();
    Dialogue answers;
    answers.Answer(kSecondQuestion, dlg::No);
    click(1);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].prompt, kSecondQuestion);
    EXPECT_EQ(answers.boxes[0].title, "Save");
    EXPECT_EQ(answers.boxes[0].style, dlg::YesNo);
    EXPECT_TRUE(answers.inputs.empty());
    // Both pages were collected before the copy.
    EXPECT_TRUE(CharAss2().IsLoaded());
    EXPECT_EQ(ReadFile("Custom1.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(ReadFile("Custom1II.TXT"), ReadFile(store::kOptionsFile));
    EXPECT_EQ(ReadLines("Custom1.TXT").size(), 210u);
}

TEST(CustomSetDialogue, ANewTitleRenamesTheFilesAndTheButtonAndSurvivesARestart) {
    start();
    Dialogue answers;
    answers.Type("My set");
    click(1);
    ASSERT_EQ(answers.inputs.size(), 1u);
    EXPECT_EQ(answers.inputs[0].prompt,
              "The current symbol assignment will be saved. Enter new title for Custom1 set (optional):");
    EXPECT_EQ(answers.inputs[0].title, "Custom1");
    EXPECT_EQ(answers.inputs[0].text, "Custom1");

    EXPECT_EQ(CharAss().Custom(1)->text(), "My set");
    EXPECT_EQ(store::CustomTitle[1], "My set");
    EXPECT_EQ(ReadLines(store::kAssignmentFile).at(194), "My set");
    EXPECT_FALSE(ReadFile("Custom1.TXT"));
    EXPECT_FALSE(ReadFile("Custom1II.TXT"));
    EXPECT_EQ(ReadFile("My set.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(ReadFile("My setII.TXT"), ReadFile(store::kOptionsFile));

    restart();
    EXPECT_EQ(CharAss().Custom(1)->text(), "My set");
    EXPECT_EQ(CharAss().Custom(2)->text(), "Custom2");
}

TEST(CustomSetDialogue, AfterAPresetYesRestoresTableFontSizeAndLockUniAndKeepsTheTitles) {
    saveGreekSetAsCustom1();
    applyPreset();
    store::CustomTitle[2] = "Named later";
    CharAss().WriteINI();
    ASSERT_EQ(store::CellCharSet, 177);
    ASSERT_EQ(CharAss().LockUniCB()->text(), "Lock Uni");

    const Folder setFiles = {{"Custom1.TXT", *ReadFile("Custom1.TXT")}, {"Custom1II.TXT", *ReadFile("Custom1II.TXT")}};
    Dialogue answers;
    click(1);
    ASSERT_EQ(answers.boxes.size(), 1u);  // no second question after a load
    EXPECT_EQ(answers.boxes[0].prompt, kFirstQuestion);
    EXPECT_EQ(answers.boxes[0].title, "Custom1 <--> Current");
    EXPECT_EQ(answers.boxes[0].style, dlg::YesNoCancel);

    EXPECT_EQ(store::CellCode[65], "\\u913?");
    EXPECT_EQ(store::CellCode[200], "\\u937?");
    EXPECT_EQ(store::CellCode[66], "");
    EXPECT_EQ(store::CellFontName, "Times New Roman");
    EXPECT_EQ(store::CellCharSet, 161);
    EXPECT_EQ(store::CellFontSize, 20);
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    EXPECT_EQ(testing_support::FaceColor(CharAss().LockUniCB()), platform::ColorFromBgr(255));
    EXPECT_EQ(CharAss().Label4()->text(), "Times New Roman Char. Set 161 Size 20");
    EXPECT_EQ(CharAss2().Label2()->text(), "Times New Roman 161\r\n20");
    EXPECT_EQ(CharAss().CellBox(65)->TextW(), QString::fromUtf8("Α"));
    EXPECT_EQ(CharAss2().CellBox(200)->TextW(), QString::fromUtf8("Ω"));

    // The titles stay the current ones, in memory, on the buttons and on disk.
    EXPECT_EQ(store::CustomTitle[2], "Named later");
    EXPECT_EQ(CharAss().Custom(2)->text(), "Custom2");  // captions change only by a rename
    EXPECT_EQ(ReadLines(store::kAssignmentFile).at(195), "Named later");
    EXPECT_EQ(ReadLines(store::kOptionsFile), (std::vector<std::string>{" 20 ", "1", "0", "0"}));
    // Loading does not change the set.
    EXPECT_EQ(ReadFile("Custom1.TXT"), setFiles.at("Custom1.TXT"));
    EXPECT_EQ(ReadFile("Custom1II.TXT"), setFiles.at("Custom1II.TXT"));
}

TEST(CustomSetDialogue, NoOverwritesTheSetEvenWhenTheSecondQuestionIsAnsweredNo) {
    saveGreekSetAsCustom1();
    applyPreset();
    Dialogue answers;
    answers.Answer(kFirstQuestion, dlg::No).Answer(kSecondQuestion, dlg::No);
    click(1);
    EXPECT_EQ(answers.Prompts(), (std::vector<std::string>{kFirstQuestion, kSecondQuestion}));
    EXPECT_EQ(store::CellCharSet, 177);
    EXPECT_EQ(ReadFile("Custom1.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(ReadFile("Custom1II.TXT"), ReadFile(store::kOptionsFile));
    EXPECT_EQ(ReadLines("Custom1.TXT").at(193), " 177 ");
}

TEST(CustomSetDialogue, CancelEndsWithNothingChanged) {
    saveGreekSetAsCustom1();
    applyPreset();
    const Folder before = FolderContents();
    Dialogue answers;
    answers.Answer(kFirstQuestion, dlg::Cancel);
    click(1);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{kFirstQuestion});
    EXPECT_EQ(FolderContents(), before);
    EXPECT_EQ(store::CellCharSet, 177);
}

TEST(CustomSetDialogue, CancelOrAnEmptyTitleKeepsTheTitleAndStillSaves) {
    start();
    WriteFile("Custom1.TXT", "0123456789");  // neither a set nor none: straight to the second question
    Dialogue answers;
    answers.Type("");
    click(1);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{kSecondQuestion});
    EXPECT_EQ(store::CustomTitle[1], "Custom1");
    EXPECT_EQ(CharAss().Custom(1)->text(), "Custom1");
    EXPECT_EQ(ReadFile("Custom1.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(ReadFile("Custom1II.TXT"), ReadFile(store::kOptionsFile));
}

TEST(CustomSetDialogue, ATenByteFileGoesStraightToTheSecondQuestionAndNoKeepsIt) {
    start();
    WriteFile("Custom1.TXT", "0123456789");
    Dialogue answers;
    answers.Answer(kSecondQuestion, dlg::No);
    click(1);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{kSecondQuestion});
    EXPECT_EQ(ReadFile("Custom1.TXT"), "0123456789");
    EXPECT_EQ(ReadFile("Custom1II.TXT"), "");
    EXPECT_FALSE(CharAss2().IsLoaded());  // nothing was collected
}

TEST(CustomSetDialogue, AShortSetIsRefusedWithBothMessagesAndChangesNothing) {
    start();
    WriteFile("Custom1.TXT", lines(193));
    WriteFile("Custom1II.TXT", " 30 \r\n1\r\n");
    const Folder before = FolderContents();
    Dialogue answers;
    click(1);
    EXPECT_EQ(answers.Prompts(),
              (std::vector<std::string>{kFirstQuestion, "Data corrupt",
                                        "No data or data corrupt in Custom1 file. You should overwrite it with a new "
                                        "set."}));
    EXPECT_EQ(answers.boxes[1].title, "Runemill");
    EXPECT_EQ(answers.boxes[1].style, dlg::OKOnly);
    EXPECT_EQ(answers.boxes[2].title, "Runemill");
    EXPECT_EQ(FolderContents(), before);
    EXPECT_EQ(store::CellFontSize, 12);
    EXPECT_FALSE(CharAss2().IsLoaded());
}

TEST(CustomSetDialogue, ASetWithoutOptionsCopyLoadsWithTheSizeKeptAndLockUniOff) {
    store::LockUni = true;
    store::CellFontSize = 16;
    ASSERT_TRUE(store::WriteSettingsFiles());
    start();
    // A set whose lines after 194 hold other titles and more.
    std::string set = lines(192) + "Courier New\r\n 0 \r\n" + lines(30);
    WriteFile("Custom1.TXT", set);
    Dialogue answers;
    click(1);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{kFirstQuestion});
    EXPECT_EQ(ReadFile("Custom1II.TXT"), "");  // made by the dialogue's first step
    EXPECT_EQ(store::CellFontSize, 16);
    EXPECT_FALSE(store::LockUni);
    EXPECT_EQ(store::CellFontName, "Courier New");
    EXPECT_EQ(ReadLines(store::kAssignmentFile).at(192), "Courier New");
    EXPECT_EQ(CharAss().Custom(1)->text(), "Custom1");
    EXPECT_EQ(ReadLines(store::kAssignmentFile).at(194), "Custom1");
}

TEST(CustomSetDialogue, AnotherSetsTitleSharesItsFiles) {
    saveGreekSetAsCustom1();
    applyPreset();
    Dialogue answers;
    answers.Type("Custom1");
    click(2);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{"Save current settings in Custom2 block?"});
    ASSERT_EQ(answers.inputs.size(), 1u);
    EXPECT_EQ(answers.inputs[0].title, "Custom2");
    EXPECT_EQ(CharAss().Custom(2)->text(), "Custom1");
    EXPECT_FALSE(ReadFile("Custom2.TXT"));
    EXPECT_FALSE(ReadFile("Custom2II.TXT"));
    EXPECT_EQ(ReadFile("Custom1.TXT"), ReadFile(store::kAssignmentFile));  // the Greek set is overwritten

    // Button 1 now finds the set that button 2 saved.
    answers.boxes.clear();
    answers.Answer(kFirstQuestion, dlg::Cancel);
    click(1);
    EXPECT_EQ(answers.Prompts(), std::vector<std::string>{kFirstQuestion});
}

TEST(CustomSetDialogue, ACaseOnlyRenameOnACaseBlindFileSystemKeepsTheSet) {
    CaseBlindFolder caseBlind;
    start();
    Dialogue answers;
    answers.Type("CUSTOM1");
    click(1);
    EXPECT_EQ(CharAss().Custom(1)->text(), "CUSTOM1");
    const Folder files = FolderContents();
    ASSERT_TRUE(files.count("CUSTOM1.TXT"));
    EXPECT_EQ(files.at("CUSTOM1.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(files.at("CUSTOM1II.TXT"), ReadFile(store::kOptionsFile));
}

TEST(CustomSetDialogue, TitlesThatCouldDamageFilesAreRefusedWithNothingChanged) {
    // A title in the settings file naming the options file.
    std::vector<std::string> file(192);
    file.push_back("Arial");
    file.push_back(" 0 ");
    file.push_back("RUNEMILLINI2");
    for (int i = 2; i <= 16; ++i) file.push_back("Custom" + std::to_string(i));  // whole: no backup is made
    WriteFile(store::kAssignmentFile, textfile::joinLines(file));
    start();
    std::filesystem::create_symlink(store::kAssignmentFile, "Custom4II.TXT");  // and a set file linked to the other
    Folder before = FolderContents();
    for (const auto& [button, named] : {std::pair{1, "\"RUNEMILLINI2.TXT\""}, {4, "\"Custom4II.TXT\" leads to"}}) {
        Dialogue answers;
        click(button);
        ASSERT_EQ(answers.boxes.size(), 1u);
        EXPECT_NE(answers.boxes[0].prompt.find(named), std::string::npos) << answers.boxes[0].prompt;
        EXPECT_EQ(FolderContents(), before);
    }
    // A typed title with a folder in it: refused, the set keeps its title.
    Dialogue answers;
    answers.Type("sub/set");
    click(2);
    ASSERT_EQ(answers.boxes.size(), 2u);
    EXPECT_NE(answers.boxes[1].prompt.find("separate folders"), std::string::npos);
    EXPECT_EQ(CharAss().Custom(2)->text(), "Custom2");
    EXPECT_EQ(store::CustomTitle[2], "Custom2");
    EXPECT_TRUE(ReadFile("Custom2.TXT"));  // saved by the first click before the question
    EXPECT_FALSE(QDir(QStringLiteral("sub")).exists());
}

TEST(CustomSetDialogue, StoredTitlesWhoseFilesCrossAreRefusedBeforeEitherSetIsOverwritten) {
    // Edited by hand: the options copy of "A" is the assignment copy of "AII".
    store::CustomTitle[1] = "A";
    store::CustomTitle[2] = "AII";
    ASSERT_TRUE(store::WriteSettingsFiles());
    WriteFile("AII.TXT", lines(210));
    WriteFile("AIIII.TXT", " 12 \r\n0\r\n");
    start();
    const Folder before = FolderContents();
    for (int button : {1, 2}) {
        Dialogue answers;
        answers.Answer("Reset current settings", dlg::No);
        click(button);
        ASSERT_EQ(answers.boxes.size(), 1u) << button;
        EXPECT_NE(answers.boxes[0].prompt.find("\"AII.TXT\""), std::string::npos) << answers.boxes[0].prompt;
        EXPECT_EQ(FolderContents(), before) << button;
    }
}

TEST(CustomSetDialogue, ASettingsWriteFailureEndsTheDialogueWithOneMessage) {
    start();
    CharAss2().Load();
    // The options file's name is taken by a folder, so it cannot be written.
    textfile::remove(store::kOptionsFile);
    QDir().mkdir(store::kOptionsFile);
    {
        Dialogue answers;
        CharAss().WriteINI();  // the failure is told once here ...
        ASSERT_EQ(answers.boxes.size(), 1u);
    }
    Dialogue answers;
    click(1);  // ... and once more when it ends the dialogue
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_NE(answers.boxes[0].prompt.find(store::kOptionsFile), std::string::npos) << answers.boxes[0].prompt;
    EXPECT_EQ(ReadFile("Custom1.TXT"), "");  // made empty, not filled
}

TEST(CustomSetDialogue, ASaveWhoseFirstWriteFailsEndsBeforePage2sLoadReReadsTheFiles) {
    start();
    ASSERT_FALSE(CharAss2().IsLoaded());
    CharAss().LockUniCB()->click();  // held in memory until the next write
    ASSERT_TRUE(store::LockUni);
    const Folder before = FolderContents();
    Dialogue answers;
    {
        testing_support::DiskFull full(8);
        click(1);
    }
    EXPECT_EQ(answers.boxes.size(), 1u);
    // Page 2's load would have read the old files over the switched option.
    EXPECT_FALSE(CharAss2().IsLoaded());
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    Folder expected = before;
    expected["Custom1.TXT"] = expected["Custom1II.TXT"] = "";
    EXPECT_EQ(FolderContents(), expected);
}

TEST(CustomSetDialogue, AFailureThatCouldNotBeUndoneIsNotToldAsChangingNothing) {
    // A long cell makes the old assignment file too large to be put back
    // under the limit below, while the set's own files fit.
    store::CellCode[64] = std::string(3000, 'z');
    ASSERT_TRUE(store::WriteSettingsFiles());
    WriteFile("Custom1.TXT", lines(194));
    WriteFile("Custom1II.TXT", " 18 \r\n1\r\n");
    start();
    filegroup::SetFaultHook([](filegroup::Op op, const std::string& name) -> std::optional<std::string> {
        if (op == filegroup::Op::Rename && name == store::kOptionsFile) return std::string("Injected fault");
        return std::nullopt;
    });
    Dialogue answers;
    {
        testing_support::DiskFull full(2000);
        click(1);
    }
    filegroup::SetFaultHook(nullptr);
    ASSERT_EQ(answers.boxes.size(), 2u);
    const std::string& told = answers.boxes[1].prompt;
    EXPECT_NE(told.find("could not be put back"), std::string::npos) << told;
    EXPECT_EQ(told.find("No file was changed"), std::string::npos) << told;
    EXPECT_EQ(told.find("Unknown error"), std::string::npos) << told;  // the system's reason, not Qt's
}

// For every file step of a dialogue: the same dialogue run with that step
// failing shows one message naming the file, asks nothing after it, and
// leaves every file as it was before the step that failed (a step being one
// file operation of the dialogue, all of whose files change or none).
TEST(CustomSetDialogue, AFailureAtAnyFileStepLeavesEveryFileAsBeforeThatStep) {
    struct Scenario {
        const char* name;
        int firstAnswer;
        const char* typed;
    };
    const Scenario scenarios[] = {{"overwrite and rename", dlg::No, "My set"}, {"load", dlg::Yes, ""}};
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        const auto run = [&] {
            Dialogue answers;
            answers.Answer(kFirstQuestion, scenario.firstAnswer).Type(scenario.typed);
            click(1);
            return answers.Prompts();
        };
        const auto prepare = [] {
            platform::DestroyAllForms();
            store::ResetSharedState();
            testing_support::ClearFolder();
            store::CellCode[65] = "\\u913?";
            ASSERT_TRUE(store::WriteSettingsFiles());
            WriteFile("Custom1.TXT", lines(194) + "T1\r\n");
            WriteFile("Custom1II.TXT", " 18 \r\n1\r\n");
            start();
        };

        // A run without faults, with the folder as it was before each step
        // that begins an operation (the first read, length or creation).
        prepare();
        std::vector<Folder> stateBefore;
        std::vector<std::pair<filegroup::Op, std::string>> steps;
        {
            filegroup::Op last = filegroup::Op::Delete;
            filegroup::SetFaultHook([&](filegroup::Op op, const std::string& name) -> std::optional<std::string> {
                if (op == filegroup::Op::SyncFolder) return std::nullopt;  // no step of FailFileStep
                const bool begins = op == filegroup::Op::Read || op == filegroup::Op::Length ||
                                    (op == filegroup::Op::Create && last != filegroup::Op::Create);
                stateBefore.push_back(begins || stateBefore.empty() ? FolderContents() : stateBefore.back());
                steps.emplace_back(op, name);
                last = op;
                return std::nullopt;
            });
            run();
            filegroup::SetFaultHook(nullptr);
        }
        ASSERT_GE(stateBefore.size(), 10u);
        // A settings file written alone as the cells are collected is left
        // out: the failures of those writes have tests of their own.
        std::vector<bool> alone(steps.size());
        for (size_t i = 0; i + 2 < steps.size(); ++i) {
            const std::string& name = steps[i].second;
            if (steps[i] == std::pair{filegroup::Op::Write, name} && steps[i + 1] == std::pair{filegroup::Op::Flush, name} &&
                steps[i + 2] == std::pair{filegroup::Op::Rename, name})
                alone[i] = alone[i + 1] = alone[i + 2] = true;
        }

        for (size_t k = 1; k <= stateBefore.size(); ++k) {
            if (alone[k - 1]) continue;
            prepare();
            testing_support::FailFileStep fault(static_cast<int>(k));
            const std::vector<std::string> prompts = run();
            ASSERT_FALSE(prompts.empty());
            EXPECT_EQ(std::count_if(prompts.begin(), prompts.end(),
                                    [](const std::string& p) { return p.find("Injected fault") != std::string::npos; }),
                      1)
                << "step " << k;
            EXPECT_NE(prompts.back().find("\"" + fault.failedFile() + "\": Injected fault"), std::string::npos)
                << "step " << k << ": " << prompts.back();
            EXPECT_EQ(FolderContents(), stateBefore[k - 1]) << "step " << k << " (" << fault.failedFile() << ")";
        }
    }
}
