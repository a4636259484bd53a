#include "form_option_dlg.h"

#include "acquisition_thread.h"
#include "display_gdi.h"
#include "single_line_validator.h"
#include "table_color.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <memory>
#include <utility>

namespace {

ColorDialogFunction& colorDialogFunction() {
    static ColorDialogFunction f;
    return f;
}

std::optional<int> systemColorDialog(QWidget* parent, int current) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(DisplayGDI::toRgb(current)), parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
}

// The grid-colour shape: a rectangle with curved corners filled with the colour; a press
// opens the colour dialog.
class ColourShape : public QWidget {
public:
    ColourShape(QWidget* parent, std::function<int()> colour, std::function<void()> pressed)
        : QWidget(parent), d_colour(std::move(colour)), d_pressed(std::move(pressed)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(QColor::fromRgb(DisplayGDI::toRgb(d_colour())));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    void mousePressEvent(QMouseEvent*) override { d_pressed(); }

private:
    std::function<int()> d_colour;
    std::function<void()> d_pressed;
};

QGroupBox* group(QWidget* parent, const char* caption, int x, int y, int w, int h) {
    auto* g = new QGroupBox(caption, parent);
    g->setGeometry(x, y, w, h);
    return g;
}

template <class T>
T* control(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
    auto* c = new T(caption, parent);
    c->setObjectName(name);
    c->setGeometry(x, y, w, h);
    return c;
}

} // namespace

TFormOptionDlg::TFormOptionDlg(QWidget* parent, const Environment& environment) : QDialog(parent) {
    d_initialising = true;
    setObjectName("FormOptionDlg");
    setWindowTitle("Option");
    setFixedSize(442, 312);

    QGroupBox* title = group(this, "Title", 8, 4, 426, 50);
    c_title = control<QCheckBox>(title, "c_title", "Title On", 10, 20, 90, 22);
    e_title = new QLineEdit(title);
    e_title->setObjectName("e_title");
    e_title->setGeometry(110, 19, 250, 24);
    e_title->setValidator(new SingleLineValidator(e_title));

    QGroupBox* format = group(this, "Format", 8, 58, 170, 96);
    b_color = control<QRadioButton>(format, "b_color", "Color", 10, 20, 150, 22);
    // "&&": a single '&' would mark a mnemonic and vanish from the caption.
    b_bw = control<QRadioButton>(format, "b_bw", "Black && White", 10, 44, 150, 22);
    c_invert = control<QCheckBox>(format, "c_invert", "Invert Background", 10, 68, 155, 22);

    QGroupBox* include = group(this, "Include", 186, 58, 248, 96);
    c_date = control<QCheckBox>(include, "c_date", "Include Date", 10, 20, 230, 22);
    c_info = control<QCheckBox>(include, "c_info", "Include Setup Information", 10, 44, 230, 22);

    QGroupBox* grid = group(this, "Grid View", 8, 158, 140, 116);
    c_boundary_on = control<QCheckBox>(grid, "c_boundary_on", "Boundary On", 10, 18, 125, 22);
    c_cross_on = control<QCheckBox>(grid, "c_cross_on", "Cross On", 10, 40, 125, 22);
    c_grid_on = control<QCheckBox>(grid, "c_grid_on", "Grid On", 10, 62, 125, 22);
    Sp_GridColor = new ColourShape(
        grid, [this] { return d_gridColour; }, [this] { Sp_GridColorMouseDown(); });
    Sp_GridColor->setObjectName("Sp_GridColor");
    Sp_GridColor->setGeometry(10, 88, 89, 21);

    QGroupBox* level = group(this, "Channel Color Level", 154, 158, 280, 116);
    cb_ct_ch1 = control<QCheckBox>(level, "cb_ct_ch1", "CH1 ", 12, 18, 60, 22);
    cb_ct_ch2 = control<QCheckBox>(level, "cb_ct_ch2", "CH2", 76, 18, 60, 22);
    ct_track = new QSpinBox(level);
    ct_track->setObjectName("ct_track");
    ct_track->setGeometry(192, 17, 76, 24);
    ct_track->setRange(0, 180);
    ct_track->setSingleStep(1);
    img = new QLabel(level);
    img->setObjectName("img");
    img->setGeometry(12, 46, STRIP_WIDTH, STRIP_HEIGHT);
    Label1 = control<QLabel>(level, "Label1", "Low Density", 12, 74, 120, 18);
    Label2 = control<QLabel>(level, "Label2", "High Density", 147, 74, 120, 18);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    OKBtn = control<QPushButton>(this, "OKBtn", "OK", 272, 282, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = control<QPushButton>(this, "CancelBtn", "Cancel", 359, 282, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    // Load every control from the options.
    c_title->setChecked(environment.TitleOnOff);
    e_title->setText(QString::fromStdString(environment.Title));
    (environment.ColorGrayMode ? b_color : b_bw)->setChecked(true);
    c_date->setChecked(environment.DateInclude);
    c_info->setChecked(environment.SetupInformationInclude);
    c_invert->setChecked(environment.BackgroundInvert);
    c_boundary_on->setChecked(environment.BoundaryOnOff);
    c_cross_on->setChecked(environment.CrossOnOff);
    c_grid_on->setChecked(environment.GridOnOff);
    d_gridColour = environment.GridOriginColor;
    cb_ct_ch1->setChecked(environment.ColorOnOffCh1);
    cb_ct_ch2->setChecked(environment.ColorOnOffCh2);
    ct_track->setValue(environment.ColorStartPos);
    connect(ct_track, &QSpinBox::valueChanged, this, &TFormOptionDlg::ct_trackChangingEx);
    drawStrip(ct_track->value());
}

TFormOptionDlg::~TFormOptionDlg() = default;

void TFormOptionDlg::applyTo(Environment& environment) const {
    environment.BackgroundInvert = c_invert->isChecked();
    environment.SetupInformationInclude = c_info->isChecked();
    environment.DateInclude = c_date->isChecked();
    environment.BoundaryOnOff = c_boundary_on->isChecked();
    environment.CrossOnOff = c_cross_on->isChecked();
    environment.GridOnOff = c_grid_on->isChecked();
    environment.GridOriginColor = d_gridColour;
    environment.ColorGrayMode = b_color->isChecked();
    environment.ColorStartPos = ct_track->value();
    environment.ColorOnOffCh1 = cb_ct_ch1->isChecked();
    environment.ColorOnOffCh2 = cb_ct_ch2->isChecked();
    environment.TitleOnOff = c_title->isChecked();
    environment.Title = e_title->text().toStdString();
}

void TFormOptionDlg::Sp_GridColorMouseDown() {
    const std::optional<int> chosen =
        colorDialogFunction() ? colorDialogFunction()(this, d_gridColour) : systemColorDialog(this, d_gridColour);
    if (!chosen) return;
    d_gridColour = *chosen & 0xFFFFFF;
    Sp_GridColor->update();
}

void TFormOptionDlg::ct_trackChangingEx(int position) {
    if (!d_initialising) drawStrip(position);
}

void TFormOptionDlg::drawStrip(int position) {
    // The strip always shows the hue palette, whatever the channels' boxes say.
    for (int i = 0; i < TableColor::TABLE_SIZE; ++i)
        d_levelColours[i] = TableColor::hueColor(TableColor::trackEntry(position, i), TableColor::GDI_MODE, 0);
    d_strip = QImage(STRIP_WIDTH, STRIP_HEIGHT, QImage::Format_RGB32);
    // Each level two columns wide, level 0 at the left; column 255 (level 127's second) falls
    // outside the image.
    for (int x = 0; x < STRIP_WIDTH; ++x) {
        const QRgb c = DisplayGDI::toRgb(d_levelColours[x / 2]);
        for (int y = 0; y < STRIP_HEIGHT; ++y) d_strip.setPixel(x, y, c);
    }
    img->setPixmap(QPixmap::fromImage(d_strip));
    d_initialising = false;
}

void setColorDialogFunction(ColorDialogFunction function) { colorDialogFunction() = std::move(function); }

bool runOptionDialog(QWidget* parent, Environment& environment, TableColor* table, int graphicMode, int surfaceFormat,
                     const std::function<void()>& applied) {
    auto dialog = std::make_unique<TFormOptionDlg>(parent, environment);
    const bool ok = dialog->exec() == QDialog::Accepted;
    // The worker draws with these options and tables: change them between two cycles.
    const bool changed = pauseStandard(processGuiEventsExceptInput, [&] {
        if (ok) {
            dialog->applyTo(environment);
            if (applied) applied();
        }
        if (table != nullptr) {
            table->build(1, graphicMode, surfaceFormat, environment.ColorStartPos, environment.ColorOnOffCh1);
            table->build(2, graphicMode, surfaceFormat, environment.ColorStartPos, environment.ColorOnOffCh2);
        }
    });
    return ok && changed;
}
