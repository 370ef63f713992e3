// The main of every test program: a QApplication on the offscreen platform,
// and for each test a fresh temporary working directory, the shared store at
// its start values (no settings write failed yet), no cell zoomed, no window loaded and no dialog that could wait for a person.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "assign/zoom.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "store/filenames.h"
#include "store/store.h"
#include "testing.h"

namespace {

class FreshWorkDir : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(dir_->path());
        store::ResetSharedState();
        assign::ZoomedCell = false;
        platform::SetEndProgramHook([] {});
        testing_support::InstallUnexpectedDialogHooks();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        platform::DestroyAllForms();
        QDir::setCurrent(QDir::tempPath());
        dir_.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's configuration folder, where the key of the group records
    // lives: one of the test program's own, outside every working folder.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication application(argc, argv);
    // As the program does at its start: a write past the file-size limit fails.
    textfile::FailWritesPastSizeLimit();
    filegroup::SetOwnFiles(store::FixedFileNames());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWorkDir);
    return RUN_ALL_TESTS();
}
