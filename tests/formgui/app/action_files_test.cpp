// State and reference files through answered dialogs, the outputs, and the windows the
// actions open.
#include "action_fixture.h"
#include "desktop_opener.h"
#include "ini_file.h"
#include "temp_dir.h"
#include "widget_helpers.h"

#include <QCoreApplication>
#include <QDir>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace {

using ActionStateFiles = ActionTest;

TEST_F(ActionStateFiles, SaveThenLoadBringsTheSettingsBack) {
    const std::string path = kernel.dir().file("saved.ini");
    controlSetTimeDiv(19);
    controlSetVoltageDiv(_CH2, 7);
    fileAnswers.push_back(path);
    EXPECT_TRUE(actions.actionSaveState());
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].kind, FileDialogKind::Save);
    EXPECT_EQ(fileRequests[0].filter, "INI files (*.ini)|*.ini");
    EXPECT_EQ(fileRequests[0].defaultExtension, "ini");
    EXPECT_TRUE(std::ifstream(path).good());

    controlSetTimeDiv(3);
    controlSetVoltageDiv(_CH2, 2);
    views.env.selectedObject = 7;
    views.calls.clear();
    fileAnswers.push_back(path);
    EXPECT_TRUE(actions.actionLoadState());
    EXPECT_EQ(controlGetTimeDiv(), 19);
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 7);
    EXPECT_EQ(fileRequests[1].kind, FileDialogKind::Open);
    EXPECT_EQ(messages, std::vector<std::string>{"State loading"});
    EXPECT_EQ(views.calls, (std::vector<std::string>{"deleteAllLabels()", "captureToolbarLayout()",
                                                     "updateModeButtons()", "updateAllViews()"}));
}

// A state file that is not there or cannot be read is refused: the user is told why, and
// every setting and the instrument stay as they were (no defaults in their place).
TEST_F(ActionStateFiles, AFileThatCannotBeReadChangesNothing) {
    controlSetTimeDiv(19);
    controlSetChannelOnOff(_CH2, true);
    controlSetVoltageDiv(_CH2, 4);
    const std::string notAFolder = kernel.dir().write("plain.ini", "[HORIZONTAL]\ntimeDiv=3\n");
    ::mkfifo(kernel.dir().file("pipe.ini").c_str(), 0600);
    const struct {
        std::string path;
        const char* why;
    } cases[] = {
        {kernel.dir().file("missing.ini"), "No such file or directory"},
        {kernel.dir().file(""), "Is a directory"},
        {notAFolder + "/state.ini", "Not a directory"},
        {kernel.dir().file("pipe.ini"), "it is not a regular file"},
        {kernel.dir().write("big.ini", "[HORIZONTAL]\ntimeDiv=3\n" + std::string(IniFile::MAX_FILE_SIZE, ';')),
         "it is too large"},
        {kernel.dir().write("junk.ini", "[Other]\ntimeDiv=3\n"), "it holds no known key"},
    };
    for (const auto& [path, why] : cases) {
        const InstrumentRegisters before = kernel.instrument().registers();
        const int commands = kernel.instrument().commands();
        messages.clear();
        fileAnswers.push_back(path);
        EXPECT_FALSE(actions.actionLoadState()) << path;
        EXPECT_EQ(messages, (std::vector<std::string>{"State loading", "Cannot read " + path + ": " + why}));
        EXPECT_EQ(controlGetTimeDiv(), 19) << path;
        EXPECT_TRUE(controlGetChannelOnOff(_CH2)) << path;
        EXPECT_EQ(controlGetVoltageDiv(_CH2), 4) << path;
        EXPECT_EQ(kernel.instrument().registers().reg, before.reg) << path;
        EXPECT_EQ(kernel.instrument().registers().dac, before.dac) << path;
        EXPECT_EQ(kernel.instrument().commands(), commands) << path;
    }
}

TEST_F(ActionStateFiles, CancelledDialogsDoNothing) {
    fileAnswers.push_back(std::nullopt);
    fileAnswers.push_back(std::nullopt);
    fileAnswers.push_back(std::nullopt);
    fileAnswers.push_back(std::nullopt);
    EXPECT_TRUE(actions.actionLoadState());
    EXPECT_TRUE(actions.actionSaveState());
    EXPECT_TRUE(actions.actionLoadReference());
    EXPECT_TRUE(actions.actionSaveReference(_CH1));
    EXPECT_EQ(fileRequests.size(), 4u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(views.calls.empty());
}

TEST_F(ActionStateFiles, AFileThatCannotBeWrittenIsReportedWithTheReason) {
    const std::string path = kernel.dir().file("no/such/folder/state.ini");
    fileAnswers.push_back(path);
    EXPECT_FALSE(actions.actionSaveState());
    EXPECT_EQ(messages, std::vector<std::string>{"Cannot write " + path + ": cannot create a temporary file beside " +
                                                 path + ": No such file or directory"});
}

TEST_F(ActionStateFiles, ReferenceDialogsUseTheReferenceFilter) {
    fileAnswers.push_back(std::nullopt);
    actions.actionSaveReference(_CH2);
    actions.actionSaveReference(_MATH); // not a channel with a record: no dialog
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].filter, "Reference files (*.ref)|*.REF");
    EXPECT_EQ(fileRequests[0].defaultExtension, "ref");
}

TEST_F(ActionStateFiles, ReferenceRoundTripAndFailuresThatWouldLoseTheWaveform) {
    const std::string path = kernel.dir().file("ch1.ref");
    controlSetChannelOnOff(_CH1, true);
    short* record = nullptr;
    ASSERT_TRUE(controlAcquire(_CH1, &record, nullptr));
    fileAnswers = {path, path};
    EXPECT_TRUE(actions.actionSaveReference(_CH1));
    EXPECT_TRUE(actions.actionLoadReference());
    EXPECT_TRUE(messages.empty());

    // Channel 2 is off: nothing to save, and the user is told.
    fileAnswers = {kernel.dir().file("ch2.ref")};
    EXPECT_FALSE(actions.actionSaveReference(_CH2));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("ch2.ref"), std::string::npos);

    const std::string bad = kernel.dir().write("bad.ref", "not a reference");
    fileAnswers = {bad};
    EXPECT_FALSE(actions.actionLoadReference());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "Cannot read " + bad + ": it is not a reference file");

    // A failed write says why.
    const std::string unwritable = kernel.dir().file("none/ch1.ref");
    fileAnswers = {unwritable};
    EXPECT_FALSE(actions.actionSaveReference(_CH1));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2], "Error : Can't create temporaty file - Win32 Error (cannot create a temporary file beside " +
                               unwritable + ": No such file or directory)\n");
}

using ActionWindows = ActionTest;

TEST_F(ActionWindows, PersistenceChecksExactlyOneItem) {
    for (int code : {14, 15}) {
        actions.actionSetPersistence(code);
        EXPECT_EQ(controlGetPersistence(), code);
        EXPECT_EQ(views.calls.back(), "updatePersistenceView()");
    }
}

TEST_F(ActionWindows, LineJoinTogglesBetweenOffAndJoined) {
    controlSetLineJoinMode(1);
    actions.actionToggleLineJoin();
    EXPECT_EQ(controlGetLineJoinMode(), 0);
    actions.actionToggleLineJoin();
    EXPECT_EQ(controlGetLineJoinMode(), 2);
    actions.actionSetLineJoin(7);
    EXPECT_EQ(controlGetLineJoinMode(), 2);
}

TEST_F(ActionWindows, SelectingTheSelectedObjectClearsIt) {
    actions.actionSelectObject(7);
    EXPECT_EQ(views.env.selectedObject, 7);
    actions.actionSelectObject(7);
    EXPECT_EQ(views.env.selectedObject, 0);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"updateModeButtons()", "updateModeButtons()"}));
}

TEST_F(ActionWindows, AboutTextsInKilobytesAndMegabytes) {
    const AboutTexts t = aboutTexts({8ull << 30, 3000000, 5ull << 30, 3ull * 1048576 + 1048575});
    EXPECT_EQ(t.totalPhysical, "8388608KB Total");
    EXPECT_EQ(t.availablePhysical, "2929KB Total");
    EXPECT_EQ(t.totalVirtual, "5120MB Total");
    EXPECT_EQ(t.availableVirtual, "3MB Total");
    EXPECT_GT(readMemoryStatus().totalPhysical, 0u); // this machine's memory
}

// The desktop's opener is given the help file of the main directory. A missing file, an opener
// that does not start and one that ends in failure all tell the user the viewer cannot be
// started.
TEST_F(ActionWindows, HelpOpensTheFileOfTheMainDirectoryOrSaysWhyNot) {
    const std::string opened = kernel.mainFile("opened.txt");
    const std::string recorder = "printf %s \"$1\" > '" + opened + "'";
    const struct {
        const char* name;
        bool fileThere;
        std::vector<std::string> opener;
        int result;
        bool openerRan;
        std::vector<std::string> shown;
    } cases[] = {
        {"viewer started", true, {"/bin/sh", "-c", recorder, "sh"}, 1, true, {}},
        {"no help file", false, {"/bin/sh", "-c", recorder, "sh"}, 0, false, {"Error! hh.exe file not found"}},
        {"no opener", true, {"/nonexistent/opener"}, 1, false, {"Error! hh.exe file not found"}},
        {"opener fails",
         true,
         {"/bin/sh", "-c", recorder + "; exit 3", "sh"},
         1,
         true,
         {"Error! hh.exe file not found"}},
    };
    const QString workingDirectory = QDir::currentPath();
    for (const auto& c : cases) {
        messages.clear();
        std::filesystem::remove(opened);
        std::filesystem::remove(kernel.mainFile("help.chm"));
        if (c.fileThere) std::ofstream(kernel.mainFile("help.chm")) << "help";
        setDesktopOpener(c.opener);
        EXPECT_EQ(actions.actionHelp(), c.result) << c.name;
        waitForOpeners();
        EXPECT_EQ(messages, c.shown) << c.name;
        EXPECT_EQ(std::filesystem::exists(opened), c.openerRan) << c.name;
        if (c.openerRan) {
            EXPECT_EQ(TempDir::read(opened), kernel.mainFile("help.chm")) << c.name;
        }
        EXPECT_EQ(QDir::currentPath(), workingDirectory) << c.name; // the process's, not the help's
    }
    setDesktopOpener({});
}

} // namespace
