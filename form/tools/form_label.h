#pragma once
// TFormLabel: the small borderless dialog of the label tool, always on top and centred on the
// main window, 119 x 143. It edits the colours and the text of a new label or of the label
// under the last press; the label unit (labels.h) fills it, shows it and applies it.

#include "label_tool.h"

#include <QWidget>

#include <functional>
#include <optional>

class Environment;
class QLineEdit;
class QPushButton;

// The main window's colour dialog cdLabel: the chosen colour (0x00BBGGRR) or nullopt when
// cancelled. Tests replace it with setLabelColorChooser.
using LabelColorChooser = std::function<std::optional<int>(int current, QWidget* parent)>;
// An empty chooser restores the desktop's colour dialog.
void setLabelColorChooser(LabelColorChooser chooser);

class TFormLabel : public QWidget {
    Q_OBJECT
public:
    // `mainWindow` (may be null) is the window the dialog stays on top of and centres on.
    explicit TFormLabel(Environment& environment, QWidget* mainWindow = nullptr);

    Environment& environment() { return d_environment; }

    // The swatches' colours and the edit box's text.
    LabelDialogValues values() const;
    void setValues(const LabelDialogValues& values);
    // Shows the dialog centred on the main window with `closeCaption` ("Close" or "Edit") on
    // btnLabelDialogClose and the focus in ebLabelText.
    void showDialog(const QString& closeCaption);

    // Handlers.
    void pnlTxtColorClick(); // the colour dialog; on OK the swatch takes the colour
    void pnlBkColorClick();
    // Enter (Qt::Key_Return or Qt::Key_Enter) adds the new label (nothing when 12 exist) or
    // applies the edit, and hides the dialog; other keys do nothing.
    void ebLabelTextKeyDown(int key);
    void btnLabelDeleteClick();      // deletes the label at labelPressPoint
    void btnLabelDialogCloseClick(); // closes, applying an edit

    QPushButton* pnlTxtColor; // 20 x 20 swatch, white at first, "Text Color"
    QPushButton* pnlBkColor;  // swatch, black at first, "Back Color"
    QLineEdit* ebLabelText;
    QPushButton* btnLabelDelete;      // "Delete"
    QPushButton* btnLabelDialogClose; // "Close" for a new label, "Edit" for an existing one

private:
    void setSwatch(QPushButton* swatch, int colour);
    void chooseColor(QPushButton* swatch, int& colour);

    Environment& d_environment;
    QWidget* p_mainWindow;
    int d_textColor = 0xFFFFFF;
    int d_backgroundColor = 0x000000;
};
