#include "form_label.h"

#include "environment.h"
#include "tool_drawing.h"

#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int DIALOG_WIDTH = 119;
constexpr int DIALOG_HEIGHT = 143;
constexpr int SWATCH = 20;

std::optional<int> desktopColorDialog(int current, QWidget* parent) {
    const QColor chosen = QColorDialog::getColor(gdiColor(current), parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
}

LabelColorChooser& colorChooser() {
    static LabelColorChooser chooser;
    return chooser;
}

} // namespace

void setLabelColorChooser(LabelColorChooser chooser) { colorChooser() = std::move(chooser); }

TFormLabel::TFormLabel(Environment& environment, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      pnlTxtColor(new QPushButton(this)), pnlBkColor(new QPushButton(this)), ebLabelText(new QLineEdit(this)),
      btnLabelDelete(new QPushButton(QStringLiteral("Delete"), this)),
      btnLabelDialogClose(new QPushButton(QStringLiteral("Close"), this)), d_environment(environment),
      p_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("FormLabel"));
    setFixedSize(DIALOG_WIDTH, DIALOG_HEIGHT);
    pnlTxtColor->setObjectName(QStringLiteral("pnlTxtColor"));
    pnlBkColor->setObjectName(QStringLiteral("pnlBkColor"));
    ebLabelText->setObjectName(QStringLiteral("ebLabelText"));
    btnLabelDelete->setObjectName(QStringLiteral("btnLabelDelete"));
    btnLabelDialogClose->setObjectName(QStringLiteral("btnLabelDialogClose"));

    auto* textCaption = new QLabel(QStringLiteral("Text Color"), this);
    auto* backCaption = new QLabel(QStringLiteral("Back Color"), this);
    textCaption->setGeometry(8, 8, 72, 16);
    pnlTxtColor->setGeometry(88, 6, SWATCH, SWATCH);
    backCaption->setGeometry(8, 34, 72, 16);
    pnlBkColor->setGeometry(88, 32, SWATCH, SWATCH);
    ebLabelText->setGeometry(8, 60, 103, 22);
    btnLabelDelete->setGeometry(8, 88, 103, 22);
    btnLabelDialogClose->setGeometry(8, 114, 103, 22);
    for (QPushButton* swatch : {pnlTxtColor, pnlBkColor}) swatch->setFocusPolicy(Qt::NoFocus);
    setSwatch(pnlTxtColor, d_textColor);
    setSwatch(pnlBkColor, d_backgroundColor);

    connect(pnlTxtColor, &QPushButton::clicked, this, [this] { pnlTxtColorClick(); });
    connect(pnlBkColor, &QPushButton::clicked, this, [this] { pnlBkColorClick(); });
    connect(ebLabelText, &QLineEdit::returnPressed, this, [this] { ebLabelTextKeyDown(Qt::Key_Return); });
    connect(btnLabelDelete, &QPushButton::clicked, this, [this] { btnLabelDeleteClick(); });
    connect(btnLabelDialogClose, &QPushButton::clicked, this, [this] { btnLabelDialogCloseClick(); });
}

LabelDialogValues TFormLabel::values() const {
    return {d_textColor, d_backgroundColor, ebLabelText->text().toStdString()};
}

void TFormLabel::setValues(const LabelDialogValues& values) {
    d_textColor = values.textColor;
    d_backgroundColor = values.backgroundColor;
    setSwatch(pnlTxtColor, d_textColor);
    setSwatch(pnlBkColor, d_backgroundColor);
    ebLabelText->setText(QString::fromStdString(values.text));
}

void TFormLabel::showDialog(const QString& closeCaption) {
    btnLabelDialogClose->setText(closeCaption);
    if (p_mainWindow) {
        const QRect main = p_mainWindow->frameGeometry();
        move(main.center() - rect().center());
    }
    show();
    activateWindow();
    ebLabelText->setFocus();
}

void TFormLabel::pnlTxtColorClick() { chooseColor(pnlTxtColor, d_textColor); }

void TFormLabel::pnlBkColorClick() { chooseColor(pnlBkColor, d_backgroundColor); }

void TFormLabel::ebLabelTextKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    if (d_environment.selectedLabel == -1)
        addLabel(d_environment, values());
    else
        editLabel(d_environment, d_environment.selectedLabel, values());
    hide();
}

void TFormLabel::btnLabelDeleteClick() {
    const DisplayPoint p = d_environment.labelPressPoint;
    if (deleteLabel(d_environment, findLabel(d_environment, p.x, p.y))) hide();
}

void TFormLabel::btnLabelDialogCloseClick() {
    hide();
    if (d_environment.selectedLabel != -1) editLabel(d_environment, d_environment.selectedLabel, values());
}

void TFormLabel::setSwatch(QPushButton* swatch, int colour) {
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(gdiColor(colour).name()));
    swatch->setProperty("color", colour);
}

void TFormLabel::chooseColor(QPushButton* swatch, int& colour) {
    const LabelColorChooser& chooser = colorChooser();
    const std::optional<int> chosen = chooser ? chooser(colour, this) : desktopColorDialog(colour, this);
    if (!chosen) return;
    colour = *chosen & 0xFFFFFF;
    setSwatch(swatch, colour);
}
