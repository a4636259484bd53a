#include "form_advanced_trigger.h"

#include "codes.h"
#include "message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QComboBox* combo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* box = named(new QComboBox(parent), name);
    for (const char* item : items) box->addItem(item);
    return box;
}

QComboBox* unitCombo(QWidget* parent, const char* name) {
    return combo(parent, name,
                 {timeUnitName(TimeUnit::Nanoseconds), timeUnitName(TimeUnit::Microseconds),
                  timeUnitName(TimeUnit::Milliseconds)});
}

QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets) layout->addWidget(w);
    return box;
}

QLabel* note(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Condition combos: item 0 don't care, 1 condition 0, 2 condition 1.
int conditionItem(int condition) { return condition + 1; }
int conditionOf(int item) { return item - 1; }

QString number(double value) { return QString::number(value, 'g', 10); }

} // namespace

TFormAdvancedTrigger::TFormAdvancedTrigger(QWidget* parent, int hardwareVersion)
    : QDialog(parent), d_hardwareVersion(hardwareVersion) {
    setObjectName("FormAdvancedTrigger");
    setWindowTitle("Advanced Trigger");
    setModal(true);
    Pages = named(new QTabWidget(this), "Pages");

    auto* edge = new QWidget(Pages);
    EdgeSource = named(new QLabel(edge), "EdgeSource");
    EdgeSlope = combo(edge, "EdgeSlope", {"Rising edge", "Falling edge"});
    BtEdgeOnly = named(new QPushButton("Use the edge trigger only", edge), "BtEdgeOnly");
    BtEdgeOnly->setAutoDefault(false); // Enter in a box means OK
    auto* edgeForm = new QFormLayout(edge);
    edgeForm->addRow("Source:", EdgeSource);
    edgeForm->addRow("Slope:", EdgeSlope);
    edgeForm->addRow(note(edge, "The source is chosen on the main window. With no logic, pulse-width or counted "
                                "trigger chosen, OK sets this plain edge trigger."));
    edgeForm->addRow(BtEdgeOnly);
    Pages->addTab(edge, "Edge");

    auto* logic = new QWidget(Pages);
    LogicOn = named(new QCheckBox("Trigger on a logic condition of the channels", logic), "LogicOn");
    LogicCh1 = combo(logic, "LogicCh1", {"Don't care", "Low / falling", "High / rising"});
    LogicCh2 = combo(logic, "LogicCh2", {"Don't care", "Low / falling", "High / rising"});
    LogicKind = named(new QComboBox(logic), "LogicKind");
    for (int k = 0; k < AdvancedTriggerChoice::LOGIC_KINDS; ++k) LogicKind->addItem(logicKindName(k));
    auto* logicForm = new QFormLayout(logic);
    logicForm->addRow(LogicOn);
    logicForm->addRow("CH1 condition:", LogicCh1);
    logicForm->addRow("CH2 condition:", LogicCh2);
    logicForm->addRow("Combination:", LogicKind);
    logicForm->addRow(note(logic, "A channel's level is its trigger level. The edge kinds take the first channel's "
                                  "condition as a slope and the other's as a level."));
    Pages->addTab(logic, "Logic");

    auto* pulse = new QWidget(Pages);
    PulseOn = named(new QCheckBox("Trigger on the pulse width", pulse), "PulseOn");
    PulseCondition = combo(pulse, "PulseCondition", {"Shorter than", "Longer than"});
    PulseWidth = named(new QLineEdit(pulse), "PulseWidth");
    PulseUnit = unitCombo(pulse, "PulseUnit");
    auto* pulseForm = new QFormLayout(pulse);
    pulseForm->addRow(PulseOn);
    pulseForm->addRow("Pulse:", PulseCondition);
    pulseForm->addRow("Width:", row(pulse, {PulseWidth, PulseUnit}));
    pulseForm->addRow(note(pulse, QString("Range %1. A pulse starts on the edge trigger's slope (or when the logic "
                                          "condition becomes true); the trigger comes at its end.")
                                      .arg(QString::fromStdString(pulseWidthRange()))));
    Pages->addTab(pulse, "Pulse width");

    auto* counted = new QWidget(Pages);
    CountedKind = combo(counted, "CountedKind", {"None", "Delay after the trigger event", "Every n-th trigger event"});
    Delay = named(new QLineEdit(counted), "Delay");
    DelayUnit = unitCombo(counted, "DelayUnit");
    EventCount = named(new QLineEdit(counted), "EventCount");
    LogicRegisterKind = combo(counted, "LogicRegisterKind",
                              {logicRegisterKindName(0), logicRegisterKindName(1), logicRegisterKindName(2)});
    LogicRegisterOn = named(new QCheckBox("Logic register on", counted), "LogicRegisterOn");
    auto* countedForm = new QFormLayout(counted);
    countedForm->addRow("Counted trigger:", CountedKind);
    countedForm->addRow("Delay:", row(counted, {Delay, DelayUnit}));
    countedForm->addRow(note(counted, QString("Range %1.").arg(QString::fromStdString(delayRange(hardwareVersion)))));
    countedForm->addRow("Event count:", EventCount);
    countedForm->addRow(note(counted, QString("Range 1 to %1.").arg(AdvancedTriggerChoice::MAX_TICKS)));
    countedForm->addRow("Logic register:", row(counted, {LogicRegisterKind, LogicRegisterOn}));
    Pages->addTab(counted, "Counted");

    Summary = named(new QLabel(this), "Summary");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("Buttons");
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addWidget(Summary);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormAdvancedTrigger::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(BtEdgeOnly, &QPushButton::clicked, this, [this] {
        LogicOn->setChecked(false);
        PulseOn->setChecked(false);
        CountedKind->setCurrentIndex(0);
    });
    for (QCheckBox* box : {LogicOn, PulseOn}) connect(box, &QCheckBox::toggled, this, [this] { updateEnables(); });
    for (QComboBox* box : {CountedKind, LogicCh1, LogicCh2, LogicKind, PulseCondition, EdgeSlope})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { updateEnables(); });
    setChoice(d_choice);
}

void TFormAdvancedTrigger::setChoice(const AdvancedTriggerChoice& c) {
    d_choice = c;
    EdgeSource->setText(c.edgeSource == _CH1 ? "CH1" : c.edgeSource == _CH2 ? "CH2" : "none");
    EdgeSlope->setCurrentIndex(c.edgeSlope == 0 ? 1 : 0);
    LogicOn->setChecked(c.logicOn);
    LogicCh1->setCurrentIndex(conditionItem(c.logicCondition[0]));
    LogicCh2->setCurrentIndex(conditionItem(c.logicCondition[1]));
    LogicKind->setCurrentIndex(c.logicKind);
    PulseOn->setChecked(c.pulseOn);
    PulseCondition->setCurrentIndex(c.pulseLonger ? 1 : 0);
    PulseWidth->setText(number(c.pulseWidth));
    PulseUnit->setCurrentIndex(static_cast<int>(c.pulseUnit));
    CountedKind->setCurrentIndex(c.countedKind);
    Delay->setText(number(c.delay));
    DelayUnit->setCurrentIndex(static_cast<int>(c.delayUnit));
    EventCount->setText(QString::number(c.eventCount));
    LogicRegisterKind->setCurrentIndex(c.logicRegisterKind);
    LogicRegisterOn->setChecked(c.logicRegisterOn);
    Pages->setCurrentIndex(c.page);
    updateEnables();
}

void TFormAdvancedTrigger::readControls() {
    AdvancedTriggerChoice& c = d_choice;
    c.edgeSlope = EdgeSlope->currentIndex() == 1 ? 0 : 1;
    c.logicOn = LogicOn->isChecked();
    c.logicCondition[0] = conditionOf(LogicCh1->currentIndex());
    c.logicCondition[1] = conditionOf(LogicCh2->currentIndex());
    c.logicKind = LogicKind->currentIndex();
    c.pulseOn = PulseOn->isChecked();
    c.pulseLonger = PulseCondition->currentIndex() == 1;
    c.pulseUnit = static_cast<TimeUnit>(PulseUnit->currentIndex());
    c.countedKind = CountedKind->currentIndex();
    c.delayUnit = static_cast<TimeUnit>(DelayUnit->currentIndex());
    c.logicRegisterKind = LogicRegisterKind->currentIndex();
    c.logicRegisterOn = LogicRegisterOn->isChecked();
    c.page = Pages->currentIndex();
}

void TFormAdvancedTrigger::updateEnables() {
    const bool logic = LogicOn->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{LogicCh1, LogicCh2, LogicKind}) w->setEnabled(logic);
    // The edge slope counts only while no logic condition replaces it.
    EdgeSlope->setEnabled(!logic && d_choice.edgeSource != 0);
    const bool pulse = PulseOn->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{PulseCondition, PulseWidth, PulseUnit}) w->setEnabled(pulse);
    const int counted = CountedKind->currentIndex();
    Delay->setEnabled(counted == 1);
    DelayUnit->setEnabled(counted == 1);
    EventCount->setEnabled(counted == 2);
    // The kernel sends the logic register with a counted trigger only.
    LogicRegisterKind->setEnabled(counted != 0);
    LogicRegisterOn->setEnabled(counted != 0);
    updateSummary();
}

void TFormAdvancedTrigger::updateSummary() {
    QStringList parts;
    if (LogicOn->isChecked()) parts << "logic condition";
    if (PulseOn->isChecked()) parts << "pulse width";
    if (CountedKind->currentIndex() != 0) parts << "counted";
    Summary->setText(parts.isEmpty() ? QString("OK sets: edge trigger (advanced trigger off)")
                                     : QString("OK sets: advanced trigger (%1)").arg(parts.join(", ")));
}

void TFormAdvancedTrigger::accept() {
    readControls();
    std::string message = takeTypedNumbers(d_choice, PulseWidth->text().toStdString(), Delay->text().toStdString(),
                                           EventCount->text().toStdString(), d_hardwareVersion);
    if (message.empty()) message = checkChoice(d_choice);
    if (!message.empty()) {
        showMessage(message, "Advanced Trigger", MessageButtons::Ok, MessageIcon::Warning);
        return;
    }
    QDialog::accept();
}

AdvancedTriggerResults FormAdvancedTriggerDialog::showInit(const char* path, int hw, signed char seedCh1,
                                                           signed char seedCh2) {
    return run(path, hw, false, seedCh1, seedCh2);
}

AdvancedTriggerResults FormAdvancedTriggerDialog::show(const char* path, int hw, signed char seedCh1,
                                                       signed char seedCh2) {
    return run(path, hw, true, seedCh1, seedCh2);
}

AdvancedTriggerResults FormAdvancedTriggerDialog::run(const char* path, int hw, bool advancedOn, signed char seedCh1,
                                                      signed char seedCh2) {
    const std::string file = path ? path : "";
    const AdvancedTriggerChoice opening =
        openingChoice(loadAdvancedTriggerChoice(file, hw), advancedOn, seedCh1, seedCh2);
    TFormAdvancedTrigger form(QApplication::activeWindow(), hw);
    form.setChoice(opening);
    if (form.exec() != QDialog::Accepted) {
        AdvancedTriggerResults unchanged = resultsOf(opening);
        unchanged.accepted = false;
        return unchanged;
    }
    std::string error;
    // No file without a usable main directory: the start said the settings are not saved.
    if (!file.empty() && !saveAdvancedTriggerChoice(file, form.choice(), &error))
        showMessage("The advanced-trigger settings could not be kept in " + file + ":\n" + error, "Advanced Trigger",
                    MessageButtons::Ok, MessageIcon::Warning);
    return resultsOf(form.choice());
}
