// The advanced-trigger dialog through its widgets, and what its choices make of the kernel's
// settings and of the registers that reach the simulated instrument.
#include "form_advanced_trigger.h"

#include "recorded_messages.h"
#include "simulated_kernel.h"
#include "trigger_condition.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

namespace {

// Runs `answer` on the advanced-trigger dialog once its modal loop shows it; the answer
// closes it (OK or Cancel).
void whenShown(std::function<void(TFormAdvancedTrigger&)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* dialog = qobject_cast<TFormAdvancedTrigger*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

void typeInto(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void clickOk(TFormAdvancedTrigger& d) {
    QPushButton* ok = d.findChild<QDialogButtonBox*>("Buttons")->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
}

class AdvancedTriggerDialogTest : public RecordedMessagesTest {
protected:
    AdvancedTriggerResults runInit(signed char seedCh1, signed char seedCh2, int hw = _HW4) {
        return FormAdvancedTriggerDialog().showInit(path.c_str(), hw, seedCh1, seedCh2);
    }

    TempDir dir;
    std::string path = dir.file("brisane.ini");
};

TEST_F(AdvancedTriggerDialogTest, EdgePageGivesTheSeedsBackAndItsSlope) {
    whenShown([](TFormAdvancedTrigger& d) {
        EXPECT_EQ(d.Pages->currentIndex(), AdvancedTriggerChoice::EdgePage);
        EXPECT_EQ(d.EdgeSource->text(), "CH2");
        EXPECT_EQ(d.EdgeSlope->currentText(), "Falling edge");
        clickOk(d);
    });
    AdvancedTriggerResults r = runInit(0, 1);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.r1, 0);
    EXPECT_EQ(r.r2, 1);
    EXPECT_EQ(r.r5 | r.r6 | r.r7, 0);
    EXPECT_TRUE(std::filesystem::exists(path));

    whenShown([](TFormAdvancedTrigger& d) {
        d.EdgeSlope->setCurrentIndex(0); // rising
        clickOk(d);
    });
    r = runInit(1, 0);
    EXPECT_EQ(r.r1, 2);
    EXPECT_EQ(r.r2, 0);

    // No file without a usable main directory (told at start): OK keeps nothing, says nothing.
    whenShown([](TFormAdvancedTrigger& d) { clickOk(d); });
    EXPECT_TRUE(FormAdvancedTriggerDialog().showInit("", _HW4, 1, 0).accepted);
    EXPECT_TRUE(messages.empty());
}

TEST_F(AdvancedTriggerDialogTest, LogicPageNeedsAConditionAndGivesConditionsAndKind) {
    whenShown([this](TFormAdvancedTrigger& d) {
        d.Pages->setCurrentIndex(AdvancedTriggerChoice::LogicPage);
        EXPECT_FALSE(d.LogicCh1->isEnabled());
        QTest::mouseClick(d.LogicOn, Qt::LeftButton, {}, QPoint(4, d.LogicOn->height() / 2));
        ASSERT_TRUE(d.LogicOn->isChecked());
        EXPECT_TRUE(d.LogicCh1->isEnabled());
        EXPECT_FALSE(d.EdgeSlope->isEnabled());
        d.LogicCh1->setCurrentIndex(0); // don't care
        d.LogicCh2->setCurrentIndex(0);
        clickOk(d);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messages, std::vector<std::string>{"A logic trigger needs a condition on at least one channel."});
        d.LogicCh1->setCurrentIndex(2); // high
        d.LogicCh2->setCurrentIndex(1); // low
        d.LogicKind->setCurrentIndex(3);
        EXPECT_EQ(d.Summary->text(), "OK sets: advanced trigger (logic condition)");
        clickOk(d);
    });
    const AdvancedTriggerResults r = runInit(2, 0);
    EXPECT_EQ(r.r1 % 3, 1);
    EXPECT_EQ(r.r2 % 3, 0);
    EXPECT_EQ(r.r5, 4);
    EXPECT_EQ(r.r6 | r.r7, 0);

    // Kept: the next opening with the trigger on shows the logic page as it was left.
    whenShown([](TFormAdvancedTrigger& d) {
        EXPECT_EQ(d.Pages->currentIndex(), AdvancedTriggerChoice::LogicPage);
        EXPECT_TRUE(d.LogicOn->isChecked());
        EXPECT_EQ(d.LogicKind->currentIndex(), 3);
        d.reject();
    });
    EXPECT_FALSE(FormAdvancedTriggerDialog().show(path.c_str(), _HW4, 2, 0).accepted);
}

TEST_F(AdvancedTriggerDialogTest, PulsePageRefusesABadWidthAndKeepsTheDialogOpen) {
    whenShown([this](TFormAdvancedTrigger& d) {
        d.Pages->setCurrentIndex(AdvancedTriggerChoice::PulsePage);
        QTest::mouseClick(d.PulseOn, Qt::LeftButton, {}, QPoint(4, d.PulseOn->height() / 2));
        d.PulseCondition->setCurrentIndex(1); // longer than
        d.PulseUnit->setCurrentIndex(1);      // us
        typeInto(d.PulseWidth, "6x0");
        clickOk(d);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], "The pulse width must be a number from 10 ns to 167.77 ms.");
        typeInto(d.PulseWidth, "600");
        clickOk(d);
    });
    const AdvancedTriggerResults r = runInit(2, 0);
    EXPECT_EQ(r.r1, 2); // the edge it measures
    EXPECT_EQ(r.r6, 1); // on, longer than
    EXPECT_EQ(r.widthValue, 600000);
}

TEST_F(AdvancedTriggerDialogTest, CountedPageGivesKindCountAndLogicRegister) {
    whenShown([this](TFormAdvancedTrigger& d) {
        d.Pages->setCurrentIndex(AdvancedTriggerChoice::CountedPage);
        EXPECT_FALSE(d.LogicRegisterKind->isEnabled());
        // Each kind named by what it does, in the order of the counted kinds it serves.
        ASSERT_EQ(d.LogicRegisterKind->count(), 3);
        EXPECT_EQ(d.LogicRegisterKind->itemText(0), "Not sent (left as it is)");
        EXPECT_EQ(d.LogicRegisterKind->itemText(1), "Logic condition starts the delay");
        EXPECT_EQ(d.LogicRegisterKind->itemText(2), "Logic condition is the counted event");
        d.CountedKind->setCurrentIndex(1); // delay: at least the instrument's own 1 us
        d.DelayUnit->setCurrentIndex(0);   // ns
        typeInto(d.Delay, "500");
        clickOk(d);
        EXPECT_EQ(messages, std::vector<std::string>{"The delay must be a number from 1 us to 167.77 ms."});
        d.CountedKind->setCurrentIndex(2); // n-th event
        EXPECT_FALSE(d.Delay->isEnabled());
        typeInto(d.EventCount, "1000");
        d.LogicRegisterKind->setCurrentIndex(1);
        QTest::mouseClick(d.LogicRegisterOn, Qt::LeftButton, {}, QPoint(4, d.LogicRegisterOn->height() / 2));
        clickOk(d);
    });
    const AdvancedTriggerResults r = runInit(1, 0);
    EXPECT_EQ(r.r7, 2);
    EXPECT_EQ(r.countValue, 1000);
    EXPECT_EQ(r.r3, 1);
    EXPECT_EQ(r.r4, 2);
}

TEST_F(AdvancedTriggerDialogTest, CancelWritesNothingAndIsNotAccepted) {
    whenShown([](TFormAdvancedTrigger& d) {
        QTest::mouseClick(d.PulseOn, Qt::LeftButton, {}, QPoint(4, d.PulseOn->height() / 2));
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    const AdvancedTriggerResults r = runInit(1, 0);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.r1, 1);
    EXPECT_EQ(r.r6, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// ---- through the kernel, on the simulated instrument

struct RegisterCase {
    const char* name;
    std::function<void(AdvancedTriggerChoice&)> choose;
    AdvancedTriggerResults nine;
    int reg11;
    int reg12[2];     // generation 1, generations 2..4
    int pulse;        // registers 13..15
    int count[2];     // registers 16..18 on generations 1, 2 and 3, 4; -1: not looked at
    int simulated[2]; // conditions the instrument reads for channels 1, 2
    bool advancedOn;
};

AdvancedTriggerResults nine(int r1, int r2, int r3, int r4, int r5, int r6, int r7, int count, int width) {
    AdvancedTriggerResults r;
    r.r1 = static_cast<signed char>(r1);
    r.r2 = static_cast<signed char>(r2);
    r.r3 = static_cast<signed char>(r3);
    r.r4 = static_cast<signed char>(r4);
    r.r5 = static_cast<signed char>(r5);
    r.r6 = static_cast<signed char>(r6);
    r.r7 = static_cast<signed char>(r7);
    r.countValue = count;
    r.widthValue = width;
    return r;
}

TEST_F(AdvancedTriggerDialogTest, ChoicesReachTheInstrumentRegistersOnEveryGeneration) {
    using C = AdvancedTriggerChoice;
    // The edge trigger: CH1, rising unless a case says otherwise. Cases run in this order on
    // one kernel.
    const RegisterCase cases[] = {
        {"edge as it was", [](C&) {}, nine(2, 0, 0, 0, 0, 0, 0, 0, 0), 0x01, {0x01, 0x00}, 0, {-1, -1}, {1, -1}, false},
        {"edge falling",
         [](C& c) { c.edgeSlope = 0; },
         nine(1, 0, 0, 0, 0, 0, 0, 0, 0),
         0x01,
         {0x00, 0x01},
         0,
         {-1, -1},
         {0, -1},
         false},
        {"pulse longer than 600 us",
         [](C& c) {
             c.pulseOn = true;
             c.pulseLonger = true;
             c.pulseWidth = 600;
             c.pulseUnit = TimeUnit::Microseconds;
         },
         nine(2, 0, 0, 0, 0, 1, 0, 0, 600000),
         0xC1,
         {0x01, 0x00},
         60000,
         {-1, -1},
         {1, -1},
         true},
        {"pulse shorter than the longest width",
         [](C& c) {
             c.pulseOn = true;
             c.pulseLonger = false;
             c.pulseWidth = 167.77215;
             c.pulseUnit = TimeUnit::Milliseconds;
         },
         nine(2, 0, 0, 0, 0, 2, 0, 0, 167772150),
         0x81,
         {0x01, 0x00},
         0xFFFFFF,
         {-1, -1},
         {1, -1},
         true},
        {"logic CH1 high AND CH2 low",
         [](C& c) {
             c.logicOn = true;
             c.logicCondition[0] = 1;
             c.logicCondition[1] = 0;
             c.logicKind = 2;
         },
         nine(1, 3, 0, 0, 3, 0, 0, 0, 0),
         0x01,
         {0x15, 0x16},
         0,
         {-1, -1},
         {1, 0},
         true},
        {"logic CH2 high, NOR",
         [](C& c) {
             c.logicOn = true;
             c.logicCondition[0] = C::DONT_CARE;
             c.logicCondition[1] = 1;
             c.logicKind = 5;
         },
         nine(-1, 1, 0, 0, 6, 0, 0, 0, 0),
         0x01,
         {0x2B, 0x2A},
         0,
         {-1, -1},
         {-1, 1},
         true},
        {"back to the edge",
         [](C&) {},
         nine(2, 0, 0, 0, 0, 0, 0, 0, 0),
         0x01,
         {0x01, 0x00},
         0,
         {-1, -1},
         {1, -1},
         false},
        {"delay of 20 us",
         [](C& c) {
             c.countedKind = 1;
             c.delay = 20;
             c.delayUnit = TimeUnit::Microseconds;
         },
         nine(2, 0, 0, 0, 0, 0, 1, 20000, 0),
         0x02,
         {0x01, 0x00},
         0,
         {2000, 1900},
         {1, -1},
         true},
        {"1000th event with logic register kind 2 on",
         [](C& c) {
             c.countedKind = 2;
             c.eventCount = 1000;
             c.logicRegisterKind = 2;
             c.logicRegisterOn = true;
         },
         nine(2, 0, 2, 2, 0, 0, 2, 1000, 0),
         0x03,
         {0xC1, 0xC0},
         0,
         {1000, 1000},
         {1, -1},
         true},
    };
    for (int hw = _HW1; hw <= _HW4; ++hw) {
        SimulatedKernel k(hw, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        setAdvancedTriggerDialog(std::make_shared<FormAdvancedTriggerDialog>());
        const int wide = hw >= _HW3 ? 1 : 0;
        for (const RegisterCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " on generation " + std::to_string(hw));
            AdvancedTriggerResults seen;
            whenShown([&](TFormAdvancedTrigger& d) {
                // Each case starts from the edge trigger as it is, whatever the last one left.
                AdvancedTriggerChoice choice = d.choice();
                choice.logicOn = choice.pulseOn = false;
                choice.countedKind = 0;
                choice.edgeSlope = 1;
                c.choose(choice);
                d.setChoice(choice);
                clickOk(d);
                seen = resultsOf(d.choice());
            });
            controlShowAdvancedTrigger();
            EXPECT_EQ(std::vector<int>({seen.r1, seen.r2, seen.r3, seen.r4, seen.r5, seen.r6, seen.r7, seen.countValue,
                                        seen.widthValue}),
                      std::vector<int>({c.nine.r1, c.nine.r2, c.nine.r3, c.nine.r4, c.nine.r5, c.nine.r6, c.nine.r7,
                                        c.nine.countValue, c.nine.widthValue}));
            const InstrumentRegisters regs = k.instrument().registers();
            EXPECT_EQ(regs.reg[11], c.reg11);
            EXPECT_EQ(regs.reg[12], c.reg12[hw == _HW1 ? 0 : 1]);
            EXPECT_EQ(regs.reg[13] | regs.reg[14] << 8 | regs.reg[15] << 16, c.pulse);
            if (c.count[wide] >= 0) {
                EXPECT_EQ(regs.reg[16] | regs.reg[17] << 8 | regs.reg[18] << 16, c.count[wide]);
            }
            const InstrumentSettings settings = k.instrument().settings();
            const TriggerCondition read = TriggerCondition::decode(settings);
            EXPECT_EQ(read.condition(0), c.simulated[0]);
            EXPECT_EQ(read.condition(1), c.simulated[1]);
            // One channel: the edge the instrument counts or measures.
            EXPECT_EQ(settings.edgeSource, c.simulated[1] < 0 ? 1 : c.simulated[0] < 0 ? 2 : 0);
            EXPECT_EQ(controlGetTriggerAdvanceOnOff(), c.advancedOn);
            EXPECT_TRUE(messages.empty());
        }
        setAdvancedTriggerDialog(nullptr);
    }
}

TEST_F(AdvancedTriggerDialogTest, CancelLeavesStateAndRegistersAndTheEdgeKeepsTheSlope) {
    // A state file turned the advanced trigger on over a falling edge; no settings kept yet.
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\ntriggerSlope1=0\n[TRIGGER]\ntriggerAdvanceOnOff=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_EQ(controlGetTriggerSlope(), 0);
    setAdvancedTriggerDialog(std::make_shared<FormAdvancedTriggerDialog>());
    const std::string kept = k.mainFile("brisane.ini");

    auto snapshot = [&] {
        return std::vector<int>{controlGetTriggerSlope(), controlGetTriggerSource(), controlGetTriggerType(),
                                controlGetTriggerMode(), controlGetTriggerAdvanceOnOff()};
    };
    const std::vector<int> before = snapshot();
    const InstrumentRegisters regsBefore = k.instrument().registers();
    whenShown([](TFormAdvancedTrigger& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    controlShowAdvancedTrigger();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(k.instrument().registers().reg, regsBefore.reg);
    EXPECT_FALSE(std::filesystem::exists(kept));

    // A pulse trigger, then Cancel over it: the kept settings and the registers stay.
    whenShown([](TFormAdvancedTrigger& d) {
        d.PulseOn->setChecked(true);
        clickOk(d);
    });
    controlShowAdvancedTrigger();
    ASSERT_TRUE(controlGetTriggerAdvanceOnOff());
    const std::string keptText = TempDir::read(kept);
    const InstrumentRegisters pulseRegs = k.instrument().registers();
    whenShown([](TFormAdvancedTrigger& d) {
        EXPECT_TRUE(d.PulseOn->isChecked());
        d.PulseOn->setChecked(false);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    controlShowAdvancedTrigger();
    EXPECT_EQ(k.instrument().registers().reg, pulseRegs.reg);
    EXPECT_EQ(TempDir::read(kept), keptText);
    EXPECT_TRUE(controlGetTriggerAdvanceOnOff());

    // Edge only: the advanced trigger goes off and the falling edge stays falling.
    whenShown([](TFormAdvancedTrigger& d) {
        EXPECT_EQ(d.EdgeSlope->currentText(), "Falling edge");
        d.BtEdgeOnly->click();
        EXPECT_EQ(d.Summary->text(), "OK sets: edge trigger (advanced trigger off)");
        clickOk(d);
    });
    controlShowAdvancedTrigger();
    EXPECT_FALSE(controlGetTriggerAdvanceOnOff());
    EXPECT_EQ(controlGetTriggerSlope(), 0);
    EXPECT_EQ(k.instrument().registers().reg[11], 0x01);
    EXPECT_EQ(k.instrument().registers().reg[12], 0x01); // CH1 falling
    setAdvancedTriggerDialog(nullptr);
}

} // namespace
