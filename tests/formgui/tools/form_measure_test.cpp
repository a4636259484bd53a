#include "form_measure.h"

#include "dialog_answers.h"
#include "environment.h"
#include "fake_tool_window_kernel.h"
#include "qt_observers.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> lineAt(int row) {
    std::vector<unsigned char> image(500 * 400, 0);
    for (int c = 0; c < 500; ++c) image[std::size_t(row) * 500 + std::size_t(c)] = 100;
    return image;
}

class FormMeasureTest : public ::testing::Test {
protected:
    QLabel* label(int i) { return form.findChild<QLabel*>(QString("lbMeasure%1").arg(i, 2, 10, QChar('0'))); }
    // Nine cycles measure every source once.
    void runCycles(int cycles) {
        for (int i = 0; i < cycles; ++i) form.UpdateMeasurements(ch1.data(), ch2.data(), math.data(), nullptr);
    }

    FakeToolWindowKernel kernel; // 1 V/div, zero lines at row 200
    TFormMeasure form{kernel};
    std::vector<unsigned char> ch1 = lineAt(250), ch2 = lineAt(300), math = lineAt(150);
    DialogAnswers dialogs;
    std::vector<std::string>& messages = dialogs.messages;
};

TEST_F(FormMeasureTest, WorkerUpdatesReachTheLabelsOnceThroughTheEventLoop) {
    form.AddMeasureItem(1, _MEASURE_MAXIMUM);
    form.AddMeasureItem(2, _MEASURE_MAXIMUM);
    form.AddMeasureItem(3, _MEASURE_MAXIMUM);
    MetaCallCounter counter;
    form.installEventFilter(&counter);

    const QtMessages qtMessages;
    // The cycle's side, through its interface.
    MeasurementView& view = form;
    std::thread worker([&] {
        for (int i = 0; i < 9; ++i) view.updateMeasurements(ch1.data(), ch2.data(), math.data(), nullptr, false);
    });
    worker.join();
    EXPECT_EQ(qtMessages.texts(), std::vector<std::string>{}); // no complaint about widgets off their thread
    // Nothing on the screen has changed yet: the worker only queued its texts. The picks
    // showed at once, without a number before their first measurement.
    EXPECT_EQ(label(0)->text(), "Ch1 : Maximum=");
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 1); // nine refreshes, one queued call
    EXPECT_EQ(label(0)->text(), "Ch1 : Maximum=1V");
    EXPECT_EQ(label(1)->text(), "Ch2 : Maximum=2V");
    EXPECT_EQ(label(2)->text(), "Math : Maximum=-1V");
    EXPECT_EQ(label(3)->text(), "");
    EXPECT_EQ(label(0)->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(label(1)->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(label(2)->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    // Another worker cycle after the texts arrived queues a new call.
    std::thread again([this] { runCycles(1); });
    again.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 2);
    form.removeEventFilter(&counter);
}

TEST_F(FormMeasureTest, ReferenceLevelsComeFromTheEnvironment) {
    TempDir dir;
    Environment environment(dir.file("environment.ini"));
    environment.UpperLevel = 80;
    TFormMeasure withLevels(kernel, &environment);
    withLevels.AddMeasureItem(1, _MEASURE_UPPER);
    // A square wave between rows 200 and 300: Upper at 80 % is row 280.
    std::vector<unsigned char> square(500 * 400, 0);
    for (int c = 0; c < 500; ++c) square[std::size_t((c / 50) % 2 ? 300 : 200) * 500 + std::size_t(c)] = 100;
    for (int i = 0; i < 2; ++i) withLevels.UpdateMeasurements(square.data(), nullptr, nullptr, nullptr);
    EXPECT_EQ(withLevels.labelText(0), "Ch1 : Upper=1.6V");
}

TEST_F(FormMeasureTest, LabelClickAndButtonsDeleteItems) {
    for (int slot = 0; slot < 11; ++slot) form.AddMeasureItem(1, slot);
    EXPECT_EQ(form.itemCount(), 10); // the eleventh pick is ignored
    runCycles(2);
    EXPECT_EQ(label(9)->text(), "Ch1 : Mean=1V");
    EXPECT_EQ(label(4)->text().left(12), "Ch1 : Lower=");

    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(label(3), &click);
    EXPECT_EQ(form.itemCount(), 9);
    // At once: a stopped display may bring no refresh for a long time.
    EXPECT_EQ(label(3)->text().left(12), "Ch1 : Lower=");
    EXPECT_EQ(label(9)->text(), "");

    QCoreApplication::sendEvent(label(9), &click); // no item there
    EXPECT_EQ(form.itemCount(), 9);
    form.findChild<QPushButton*>("btDeleteItem")->click();
    EXPECT_EQ(form.itemCount(), 8);
    EXPECT_EQ(label(8)->text(), "");
    form.findChild<QPushButton*>("btDeleteAll")->click();
    EXPECT_EQ(form.itemCount(), 0);
}

TEST_F(FormMeasureTest, SaveWritesTheCsvFile) {
    TempDir dir;
    kernel.probe[3] = 10;
    form.AddMeasureItem(1, _MEASURE_MAXIMUM);
    form.AddMeasureItem(3, _MEASURE_MAXIMUM);
    form.AddMeasureItem(2, _MEASURE_FREQUENCY);
    runCycles(9);
    std::string& answer = dialogs.saveAnswer;
    answer = dir.file("m.csv");
    form.findChild<QPushButton*>("BtSave")->click();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const FileDialogRequest& asked = dialogs.saveRequests[0];
    EXPECT_EQ(asked.filter, "CSV files (*.csv)|*.CSV");
    EXPECT_EQ(asked.defaultExtension, "csv");
    EXPECT_EQ(TempDir::read(answer), "Ch1,Max=,1,V\nMath,Max=,-1,V\nCh2,Freq=,\n");
    EXPECT_TRUE(messages.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(label(1)->text(), "Math : Maximum=-10V"); // the label carries the probe factor

    answer = ""; // cancelled
    form.BtSaveClick();
    EXPECT_TRUE(messages.empty());

    answer = dir.file("missing/m.csv");
    form.BtSaveClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"File open error: cannot create a temporary file beside " + answer +
                                                      ": No such file or directory",
                                                  "Fail : data save"}));
}

TEST_F(FormMeasureTest, VisibilityForTheCycle) {
    EXPECT_FALSE(form.visibleToCycle());
    form.show();
    EXPECT_TRUE(form.visibleToCycle());
    EXPECT_EQ(form.windowTitle(), "Measurement");
    form.hide();
    EXPECT_FALSE(form.visibleToCycle());
}

} // namespace
