#pragma once
// TFormOptionDlg ("Option"): the display and picture options of Environment: title, colour
// or black-and-white output, what the saved and printed screen includes, grid elements and
// grid colour, and the colour track of channels 1 and 2 with its start hue, shown as a strip
// of the 128 intensity levels. The option action makes a fresh dialog each time
// (runOptionDialog); the dialog itself never writes Environment.

#include "environment.h"

#include <QDialog>
#include <QImage>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;
class TableColor;

class TFormOptionDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int STRIP_WIDTH = 255;
    static constexpr int STRIP_HEIGHT = 25;

    // Loads every control from `environment`.
    TFormOptionDlg(QWidget* parent, const Environment& environment);
    ~TFormOptionDlg() override;

    // What the option action copies into Environment after OK: the six check boxes of the
    // Include and Grid View groups, the grid colour, colour / black and white, the start hue,
    // the two colour-track boxes, the title switch and the title. Nothing else is touched.
    void applyTo(Environment& environment) const;

    // The grid-colour shape was clicked: the colour dialog, and on OK its colour.
    void Sp_GridColorMouseDown();
    // The start hue is moving to `position`: the strip shows it at once.
    void ct_trackChangingEx(int position);

    int gridColour() const { return d_gridColour; } // the shape's fill, 0x00BBGGRR
    const QImage& stripImage() const { return d_strip; }

    // Controls, named as the option action reads them.
    QCheckBox* c_title = nullptr;
    QLineEdit* e_title = nullptr;
    QRadioButton* b_color = nullptr;
    QRadioButton* b_bw = nullptr;
    QCheckBox* c_date = nullptr;
    QCheckBox* c_info = nullptr;
    QCheckBox* c_invert = nullptr;
    QCheckBox* c_boundary_on = nullptr;
    QCheckBox* c_cross_on = nullptr;
    QCheckBox* c_grid_on = nullptr;
    QWidget* Sp_GridColor = nullptr;
    QCheckBox* cb_ct_ch1 = nullptr;
    QCheckBox* cb_ct_ch2 = nullptr;
    QSpinBox* ct_track = nullptr;
    QLabel* img = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void drawStrip(int position);

    std::array<int, 128> d_levelColours{}; // the strip's levels, 0x00BBGGRR
    bool d_initialising = false;
    int d_gridColour = 0;
    QImage d_strip;
};

// The colour dialog behind the grid-colour shape: the chosen colour (0x00BBGGRR), or nothing
// for Cancel. Replaceable for tests; empty restores the system's colour dialog.
using ColorDialogFunction = std::function<std::optional<int>(QWidget* parent, int currentColour)>;
void setColorDialogFunction(ColorDialogFunction function);

// The option action: a fresh dialog, shown modally. On OK its controls go into `environment`
// and `applied` runs (the main window recomputes its grid colour there); OK or not, the
// colour tables of channels 1 and 2 in `table` (when given) are rebuilt from the options with
// `graphicMode` and `surfaceFormat`. The changes are made under the pause handshake, so no
// cycle draws with half of them; when the worker does not finish its capture in time nothing
// changes (the user is told). True when the dialog closed with OK and its values were applied.
bool runOptionDialog(QWidget* parent, Environment& environment, TableColor* table, int graphicMode, int surfaceFormat,
                     const std::function<void()>& applied = {});
