// The zero-calibration window on a whole kernel whose simulated instrument has its inputs
// shorted: texts, the order of what it does, and what it saves after success and failure.
#include "calibration_test_host.h"
#include "message_box.h"
#include "modal_answer.h"
#include "okbd_calib_a_dlg.h"
#include "simulated_kernel.h"

#include "calibration.h"
#include "shorted_input.h"
#include "signal_source.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>

namespace {

// What the window showed when the message box asked for the short.
struct AtMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Information;
    std::vector<std::string> hostEvents;
    bool buttonsEnabled = true;
    bool picture1 = false, picture2 = false;
    int progress = -1;
    std::string result;
};

class ZeroCalibrationWindow : public ::testing::Test {
protected:
    // Generation 2 calibrates quickest; channel 2's input at ch2Volts (far off zero: pinned).
    void start(double ch2Volts = 0.0) {
        ASSERT_TRUE(kernel.create()) << get_error_text();
        SimRecords::Options options;
        options.signal[0] = std::make_shared<DcLevel>(0.0);
        options.signal[1] = std::make_shared<DcLevel>(ch2Volts);
        kernel.instrument().setRecordSource(std::make_unique<SimRecords>(ShortedInput::drifted(_HW2, 5), options));
        window = std::make_unique<TokbdCalibADlg>(host);
        setMessageBoxHandler([this](const MessageRequest& r) {
            AtMessage m;
            m.text = r.text;
            m.icon = r.icon;
            m.hostEvents = host.events;
            m.buttonsEnabled =
                window->BtnCh1Start->isEnabled() || window->BtnCh2Start->isEnabled() || window->CloseBtn->isEnabled();
            m.picture1 = !window->imCalib1->isHidden();
            m.picture2 = !window->imCalib2->isHidden();
            m.progress = window->pbCalib->value();
            m.result =
                (r.text.find("CH1") != std::string::npos ? window->lbOffsetCalibResult : window->lbOffsetCalibResult2)
                    ->text()
                    .toStdString();
            messages.push_back(m);
            EXPECT_EQ(r.buttons, MessageButtons::Ok);
            return MessageResult::Ok;
        });
        kernel.bus->clearTransfers();
    }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        window.reset();
    }

    int memoryWrites() const {
        int n = 0;
        for (const TransferRecord& t : kernel.bus->transfers())
            if (t.kind == TransferRecord::Kind::Control && t.setup.request == 0xD1) ++n;
        return n;
    }
    std::string text(QLabel* l) const { return l->text().toStdString(); }

    SimulatedKernel kernel{_HW2, true};
    RecordingCalibrationHost host;
    std::unique_ptr<TokbdCalibADlg> window;
    std::vector<AtMessage> messages;
};

TEST_F(ZeroCalibrationWindow, InitialTextsAndCloseHidesAndResets) {
    RecordingCalibrationHost idle;
    TokbdCalibADlg w(idle);
    EXPECT_EQ(w.windowTitle(), "Zero Calibration");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    const std::pair<QLabel*, const char*> labels[] = {
        {w.Label1, "It is strongly recommended that zero calibration be "},
        {w.Label3, "performed after 5 minutes of power-up, and you should"},
        {w.Label4, "short  CH1/CH2 terminal during the calibration process."},
        {w.Label2, "Zero Calibration - CH1"},
        {w.Label7, "Zero Calibration - CH2"},
        {w.lbOffsetCalibResult, "Not Yet"},
        {w.lbOffsetCalibResult2, "Not Yet"},
        {w.lbCalib, "Prepare Calibration"},
    };
    for (const auto& [label, expected] : labels) EXPECT_EQ(text(label), expected) << label->objectName().toStdString();
    EXPECT_EQ(w.BtnCh1Start->text(), "CH1 Start");
    EXPECT_EQ(w.BtnCh2Start->text(), "CH2 Start");
    EXPECT_EQ(w.CloseBtn->text(), "Close");
    EXPECT_EQ(w.pbCalib->minimum(), 0);
    EXPECT_EQ(w.pbCalib->maximum(), 100);
    EXPECT_FALSE(w.imCalib1->isHidden());
    EXPECT_TRUE(w.imCalib2->isHidden());
    EXPECT_EQ(std::string(TokbdCalibADlg::OK_RESULT).size(), 14u);
    EXPECT_EQ(std::string(TokbdCalibADlg::FAIL_RESULT).size(), 17u);

    // The Close button and a close by the system both hide the window and reset it.
    for (bool system : {false, true}) {
        w.show();
        w.lbOffsetCalibResult->setText(TokbdCalibADlg::OK_RESULT);
        w.lbOffsetCalibResult2->setText(TokbdCalibADlg::FAIL_RESULT);
        w.setCalibrationStatus("Calibration Finished");
        w.setCalibrationProgress(100);
        if (system)
            EXPECT_TRUE(w.close());
        else
            w.CloseBtn->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(text(w.lbOffsetCalibResult), "Not Yet");
        EXPECT_EQ(text(w.lbOffsetCalibResult2), "Not Yet");
        EXPECT_EQ(text(w.lbCalib), "Prepare Calibration");
        EXPECT_EQ(w.pbCalib->value(), 0);
    }
    EXPECT_TRUE(idle.events.empty());
}

TEST_F(ZeroCalibrationWindow, SuccessSavesToTheInstrumentAndTheFile) {
    start();
    const std::string file = kernel.mainFile("calibration.ini");
    ASSERT_FALSE(std::filesystem::exists(file));
    window->BtnCh1Start->click();

    ASSERT_EQ(messages.size(), 1u);
    const AtMessage& m = messages[0];
    EXPECT_EQ(m.text, "Please short CH1 input!");
    EXPECT_EQ(m.icon, MessageIcon::Information);
    EXPECT_EQ(m.hostEvents, std::vector<std::string>{"stop"});
    EXPECT_FALSE(m.buttonsEnabled);
    EXPECT_TRUE(m.picture1);
    EXPECT_FALSE(m.picture2);
    EXPECT_EQ(m.progress, 0);
    EXPECT_EQ(m.result, "Not Yet");

    EXPECT_EQ(text(window->lbOffsetCalibResult), "OK            ");
    EXPECT_EQ(text(window->lbOffsetCalibResult2), "Not Yet");
    EXPECT_EQ(text(window->lbCalib), "Calibration Finished");
    EXPECT_EQ(window->pbCalib->value(), 100);
    EXPECT_TRUE(window->imCalib1->isHidden()); // ready for channel 2
    EXPECT_FALSE(window->imCalib2->isHidden());
    for (QPushButton* b : {window->BtnCh1Start, window->BtnCh2Start, window->CloseBtn}) EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(host.events, (std::vector<std::string>{"stop", "start"}));

    // The kernel wrote the memory once, the window a second time; the file holds the same.
    const Calibration& cal = *g_control->p_calibration;
    const std::vector<unsigned char> image = packCalibrationMemory(cal);
    EXPECT_EQ(memoryWrites(), 2 * static_cast<int>(image.size()) / CALIBRATION_PAGE_BYTES);
    const CalibrationImage::Bytes memory = kernel.instrument().calibrationMemory();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
    ASSERT_TRUE(std::filesystem::exists(file));
    Calibration fromFile;
    ASSERT_TRUE(fromFile.readIni(file.c_str()));
    for (int v = 0; v < 11; ++v) {
        EXPECT_EQ(fromFile.offsetNonInterleaveCh1[v], cal.offsetNonInterleaveCh1[v]);
        EXPECT_EQ(fromFile.offsetInterleaveCh1[v], cal.offsetInterleaveCh1[v]);
    }
    EXPECT_EQ(fromFile.offsetADC2Ch1, cal.offsetADC2Ch1);
}

// A main directory that cannot be used was told at start: the calibration goes to the
// instrument only, and the copy the start said is not kept is no failure.
TEST_F(ZeroCalibrationWindow, WithoutAUsableMainDirectoryTheInstrumentKeepsTheCalibration) {
    const std::string plain = kernel.dir().write("plain", "");
    IniFile registry(kernel.dir().file("config/velmora2/registry.ini"));
    registry.writeString("Velmora2", "mainDirectory", plain);
    registry.save();
    start();
    const CalibrationImage::Bytes before = kernel.instrument().calibrationMemory();
    window->BtnCh1Start->click();
    EXPECT_EQ(text(window->lbCalib), "Calibration Finished");
    EXPECT_EQ(messages.size(), 1u); // the request to short the input
    EXPECT_NE(kernel.instrument().calibrationMemory(), before);
    EXPECT_EQ(TempDir::read(plain), "");
}

TEST_F(ZeroCalibrationWindow, FailureKeepsTheStoredCalibrationAndTheOtherResult) {
    start(-5.0); // channel 2 pinned at the bottom
    const CalibrationImage::Bytes before = kernel.instrument().calibrationMemory();
    window->BtnCh1Start->click();
    ASSERT_EQ(text(window->lbOffsetCalibResult), "OK            ");
    const CalibrationImage::Bytes afterChannel1 = kernel.instrument().calibrationMemory();
    EXPECT_NE(afterChannel1, before);
    const std::string file = kernel.mainFile("calibration.ini");
    const std::string fileAfterChannel1 = TempDir::read(file);
    kernel.bus->clearTransfers();
    host.events.clear();

    window->BtnCh2Start->click();
    ASSERT_EQ(messages.size(), 3u); // the request to short the input, then why it failed
    EXPECT_EQ(messages[1].text, "Please short CH2 input!");
    EXPECT_FALSE(messages[1].picture1);
    EXPECT_TRUE(messages[1].picture2);
    const std::string notShorted = error_message(_ERR_INPUT_NOT_SHORTED);
    EXPECT_EQ(messages[2].icon, MessageIcon::Error);
    EXPECT_EQ(messages[2].text.rfind("Error : " + notShorted + "\n", 0), 0u) << messages[2].text;
    // The failure and its reason, not a finished state.
    EXPECT_EQ(text(window->lbOffsetCalibResult2), "Fail, Retry!     ");
    EXPECT_EQ(text(window->lbOffsetCalibResult), "OK            ");
    EXPECT_EQ(text(window->lbCalib), "Calibration Failed: " + notShorted);
    EXPECT_EQ(window->pbCalib->value(), 0);
    EXPECT_FALSE(window->imCalib2->isHidden());
    for (QPushButton* b : {window->BtnCh1Start, window->BtnCh2Start, window->CloseBtn}) EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(host.events, (std::vector<std::string>{"stop", "start"}));

    // Nothing saved: memory and file hold channel 1's calibration.
    EXPECT_EQ(memoryWrites(), 0);
    EXPECT_EQ(kernel.instrument().calibrationMemory(), afterChannel1);
    EXPECT_EQ(TempDir::read(file), fileAfterChannel1);
}

// A save that fails is shown with the kernel's reasons, as a failure and not as the step it
// was at nor as finished; the other store is still written. Channel 1: the instrument's memory
// refuses the window's writes; channel 2: the calibration file cannot replace a folder.
TEST_F(ZeroCalibrationWindow, FailedSaveIsShownAndNotFinished) {
    start();
    std::vector<MessageRequest> shown;
    setMessageBoxHandler([&](const MessageRequest& r) {
        shown.push_back(r);
        return MessageResult::Ok;
    });
    const std::string file = kernel.mainFile("calibration.ini");
    const int pages =
        static_cast<int>(packCalibrationMemory(*g_control->p_calibration).size()) / CALIBRATION_PAGE_BYTES;
    struct Case {
        int ch;
        int error;
        bool fileWritten;
    } cases[] = {{1, _ERR_WRITE_CALIBRATION, true}, {2, _ERR_TEMPORARY_FILE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ch);
        shown.clear();
        host.events.clear();
        kernel.bus->clearFaults();
        if (c.ch == 1) {
            // The calibration's own write goes through; the window's does not.
            UsbFault fault;
            fault.request = 0xD1;
            fault.skip = pages;
            fault.count = -1;
            kernel.bus->injectFault(fault);
        } else {
            std::filesystem::remove(file);
            std::filesystem::create_directory(file);
        }
        kernel.bus->clearTransfers();
        (c.ch == 1 ? window->BtnCh1Start : window->BtnCh2Start)->click();

        EXPECT_EQ(text(c.ch == 1 ? window->lbOffsetCalibResult : window->lbOffsetCalibResult2), "Fail, Retry!     ");
        EXPECT_EQ(text(window->lbCalib).rfind("Saving Failed: ", 0), 0u) << text(window->lbCalib);
        EXPECT_EQ(window->pbCalib->value(), 0);
        ASSERT_EQ(shown.size(), 2u); // the request to short the input, then the failure
        EXPECT_EQ(shown[1].icon, MessageIcon::Error);
        EXPECT_NE(shown[1].text.find(error_message(c.error)), std::string::npos) << shown[1].text;
        EXPECT_EQ(std::filesystem::is_regular_file(file), c.fileWritten);
        if (c.ch == 2) {
            EXPECT_EQ(memoryWrites(), 2 * pages); // the kernel's write and the window's
        }
        for (QPushButton* b : {window->BtnCh1Start, window->BtnCh2Start, window->CloseBtn}) EXPECT_TRUE(b->isEnabled());
        EXPECT_EQ(host.events, (std::vector<std::string>{"stop", "start"}));
    }
    kernel.bus->clearFaults();
    std::filesystem::remove(file);
}

} // namespace

// The window stays on top of the others: a box it or anyone shows meanwhile (a failed
// calibration, the Quit question) must stay on top too, or it opens behind the window.
TEST_F(ZeroCalibrationWindow, MessageBoxesOpenAboveIt) {
    start();
    setMessageBoxHandler(nullptr);
    window->show();
    bool onTop = false;
    answerNextModalDialog([&onTop](QDialog& box) {
        onTop = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        return true;
    });
    showMessage("Error");
    EXPECT_TRUE(onTop);
}
