#pragma once
// "Advanced Trigger": the edge, logic, pulse-width and counted trigger of the instrument on
// four pages. TFormAdvancedTrigger is the dialog; FormAdvancedTriggerDialog is what the
// kernel calls (AdvancedTriggerDialog): it reads the kept settings, shows the dialog
// modally on the GUI thread and, on OK only, keeps the new settings and returns them.

#include "advanced_trigger.h"
#include "advanced_trigger_choice.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TFormAdvancedTrigger : public QDialog {
    Q_OBJECT
public:
    TFormAdvancedTrigger(QWidget* parent, int hardwareVersion);

    // Puts `choice` into the controls and shows its page.
    void setChoice(const AdvancedTriggerChoice& choice);
    // What the controls hold; valid after OK (the typed numbers are checked then).
    const AdvancedTriggerChoice& choice() const { return d_choice; }

    // OK: reads and checks the controls; a bad value shows its message and keeps the dialog
    // open.
    void accept() override;

    QTabWidget* Pages;
    // Edge
    QLabel* EdgeSource;
    QComboBox* EdgeSlope; // "Rising edge", "Falling edge"
    QPushButton* BtEdgeOnly;
    // Logic
    QCheckBox* LogicOn;
    QComboBox* LogicCh1; // "Don't care", "Low / falling", "High / rising"
    QComboBox* LogicCh2;
    QComboBox* LogicKind;
    // Pulse width
    QCheckBox* PulseOn;
    QComboBox* PulseCondition; // "Shorter than", "Longer than"
    QLineEdit* PulseWidth;
    QComboBox* PulseUnit; // "ns", "us", "ms"
    // Counted
    QComboBox* CountedKind; // "None", delay, n-th event
    QLineEdit* Delay;
    QComboBox* DelayUnit;
    QLineEdit* EventCount;
    QComboBox* LogicRegisterKind; // "Not set", "Kind 1", "Kind 2"
    QCheckBox* LogicRegisterOn;
    // What OK will set, in words.
    QLabel* Summary;

private:
    void readControls();
    void updateEnables();
    void updateSummary();

    int d_hardwareVersion;
    AdvancedTriggerChoice d_choice;
};

class FormAdvancedTriggerDialog final : public AdvancedTriggerDialog {
public:
    AdvancedTriggerResults showInit(const char* settingsPath, int hardwareVersion, signed char seedCh1,
                                    signed char seedCh2) override;
    AdvancedTriggerResults show(const char* settingsPath, int hardwareVersion, signed char seedCh1,
                                signed char seedCh2) override;

private:
    static AdvancedTriggerResults run(const char* settingsPath, int hardwareVersion, bool advancedOn,
                                      signed char seedCh1, signed char seedCh2);
};
