#include "form_fft_dlg.h"

#include "acquisition_thread.h"
#include "fft_excel_export.h"
#include "file_dialog.h"
#include "form_fft_dlg_paint_box.h"
#include "ini_file.h"
#include "message_box.h"
#include "screen_image.h"
#include "spectrum_figures.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Where the paint box sits in the plot panel; the axis labels are placed around it. Its left
// edge leaves room for the widest level label (plotLeft()).
constexpr int kPlotLeftMinimum = 45;
constexpr int kPlotTop = 14;
constexpr int kLevelLabelGap = 3;

// The widest level label of a table scale: 10 V per division scrolled up by its 170 divisions.
int plotLeft(const QFontMetrics& metrics) {
    const QString widest = QString::fromStdString(formatFftVoltage((8 + 170) * kFftVoltScales.front()));
    return std::max(kPlotLeftMinimum, metrics.horizontalAdvance(widest) + 2 + kLevelLabelGap);
}

QToolButton* arrowButton(QWidget* parent, const QString& name, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    return button;
}

QLabel* namedLabel(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TFormFFTDlg::TFormFFTDlg(const ToolWindowKernel& kernel_, QWidget* parent_)
    : QWidget(parent_, Qt::Window), p_kernel(&kernel_), d_repaint(this, [this] { applyPendingFrame(); }) {
    setObjectName("FormFFTDlg");
    setWindowTitle("FFT");

    auto* right = new QVBoxLayout;
    right->addWidget(buildToolBar());
    right->addWidget(buildPlotPanel());
    right->addWidget(buildLowerPanel());
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildLeftPanel());
    layout->addLayout(right);

    // Channel 1 wins when both are on.
    enableChannelButtons(true);
    const SpectrumSettings s = changeSettings([](SpectrumSettings& settings) {
        settings.cursorOn = false;
        settings.zoom = 1;
        settings.setScroll(0);
        settings.setFftSize(settings.sizeIndex);
        settings.setVerticalPosition(settings.linear ? 0 : -120);
    });
    rbWindow[s.window < rbWindow.size() ? s.window : 0]->setChecked(true);
    rbSize[std::size_t(s.sizeIndex)]->setChecked(true);
    showVerticalScale(s);
    showHorizontalScale(s);
    la_cursor->setText(" Cursor off");
}

TFormFFTDlg::~TFormFFTDlg() = default;

QWidget* TFormFFTDlg::buildLeftPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("pnlLeft");
    auto* column = new QVBoxLayout(panel);

    auto* channel = new QGroupBox("Channel", panel);
    auto* channelLayout = new QVBoxLayout(channel);
    rbFFTCh1 = new QRadioButton("CH1", channel);
    rbFFTCh1->setObjectName("rbFFTCh1");
    rbFFTCh2 = new QRadioButton("CH2", channel);
    rbFFTCh2->setObjectName("rbFFTCh2");
    channelLayout->addWidget(rbFFTCh1);
    channelLayout->addWidget(rbFFTCh2);
    connect(rbFFTCh1, &QRadioButton::clicked, this, [this] { rbFFTCh1Click(); });
    connect(rbFFTCh2, &QRadioButton::clicked, this, [this] { rbFFTCh2Click(); });
    column->addWidget(channel);

    auto* window = new QGroupBox("Window Type", panel);
    auto* windowLayout = new QVBoxLayout(window);
    const char* windowNames[4][2] = {{"rbFFTRectangular", "Rectangular"},
                                     {"rbFFTHanning", "Hanning"},
                                     {"rbFFTHamming", "Hamming"},
                                     {"rbFFTBlackman", "Blackman"}};
    for (int tag = 0; tag < 4; ++tag) {
        auto* button = new QRadioButton(windowNames[tag][1], window);
        button->setObjectName(windowNames[tag][0]);
        button->setProperty("Tag", tag);
        windowLayout->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, tag] { rbFFTWindowTypeClick(tag); });
        rbWindow[std::size_t(tag)] = button;
    }
    column->addWidget(window);

    auto* sizes = new QGroupBox("No. of Freq Bins", panel);
    auto* sizesLayout = new QVBoxLayout(sizes);
    for (int tag = 0; tag < int(kFftSizes.size()); ++tag) {
        const FftSizeEntry entry = kFftSizes[std::size_t(tag)];
        auto* button = new QRadioButton(QString::number(entry.size / 2), sizes);
        button->setObjectName(QString("s%1").arg(entry.size));
        button->setProperty("Tag", tag);
        sizesLayout->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, tag] { winsizeClick(tag); });
        rbSize[std::size_t(tag)] = button;
    }
    column->addWidget(sizes);

    auto* scaleType = new QGroupBox("Scale Type", panel);
    auto* scaleTypeLayout = new QVBoxLayout(scaleType);
    rbFFTdB = new QRadioButton("dB", scaleType);
    rbFFTdB->setObjectName("rbFFTdB");
    rbFFTdB->setProperty("Tag", 0);
    rbFFTLinear = new QRadioButton("Linear", scaleType);
    rbFFTLinear->setObjectName("rbFFTLinear");
    rbFFTLinear->setProperty("Tag", 1);
    scaleTypeLayout->addWidget(rbFFTdB);
    scaleTypeLayout->addWidget(rbFFTLinear);
    connect(rbFFTdB, &QRadioButton::clicked, this, [this] { rbFFTdBClick(); });
    connect(rbFFTLinear, &QRadioButton::clicked, this, [this] { rbFFTLinearClick(); });
    column->addWidget(scaleType);

    auto* vertical = new QGroupBox("Vertical Scale", panel);
    auto* verticalLayout = new QHBoxLayout(vertical);
    ebVGridScale = new QLineEdit(vertical);
    ebVGridScale->setObjectName("ebVGridScale");
    ebVGridScale->setFixedWidth(70);
    auto* upDown = new QWidget(vertical);
    upDown->setObjectName("udFFTOutGrid");
    auto* upDownLayout = new QVBoxLayout(upDown);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    QToolButton* up = arrowButton(upDown, "udFFTOutGridUp", Qt::UpArrow);
    QToolButton* down = arrowButton(upDown, "udFFTOutGridDown", Qt::DownArrow);
    upDownLayout->addWidget(up);
    upDownLayout->addWidget(down);
    lbVGridUnit = namedLabel(vertical, "lbVGridUnit", "dB/Div");
    verticalLayout->addWidget(ebVGridScale);
    verticalLayout->addWidget(upDown);
    verticalLayout->addWidget(lbVGridUnit);
    connect(ebVGridScale, &QLineEdit::returnPressed, this, [this] { ebVGridScaleKeyDown(); });
    // The level labels and the first up-down press read the number as typed.
    connect(ebVGridScale, &QLineEdit::textEdited, this, [this](const QString& text) {
        double value = 0;
        if (!parseScaleText(text.toStdString(), value)) return;
        changeSettings([&](SpectrumSettings& s) {
            s.scaleText = text.toStdString();
            s.typedScale = value;
        });
    });
    connect(up, &QToolButton::clicked, this, [this] { udFFTOutGridChangingEx(true); });
    connect(down, &QToolButton::clicked, this, [this] { udFFTOutGridChangingEx(false); });
    column->addWidget(vertical);

    auto* frequency = new QGroupBox("Frequency Scale", panel);
    auto* frequencyLayout = new QHBoxLayout(frequency);
    auto* zoom = new QWidget(frequency);
    zoom->setObjectName("udFFTFreqScale");
    auto* zoomLayout = new QVBoxLayout(zoom);
    zoomLayout->setContentsMargins(0, 0, 0, 0);
    zoomLayout->setSpacing(0);
    QToolButton* zoomIn = arrowButton(zoom, "udFFTFreqScaleUp", Qt::UpArrow);
    QToolButton* zoomOut = arrowButton(zoom, "udFFTFreqScaleDown", Qt::DownArrow);
    zoomLayout->addWidget(zoomIn);
    zoomLayout->addWidget(zoomOut);
    edFFTfreScale = new QLineEdit(frequency);
    edFFTfreScale->setObjectName("edFFTfreScale");
    edFFTfreScale->setReadOnly(true);
    edFFTfreScale->setMaximumWidth(70);
    frequencyLayout->addWidget(zoom);
    frequencyLayout->addWidget(edFFTfreScale);
    connect(zoomIn, &QToolButton::clicked, this, [this] { udFFTFreqScaleClick(true); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { udFFTFreqScaleClick(false); });
    column->addWidget(frequency);
    column->addStretch();
    return panel;
}

QWidget* TFormFFTDlg::buildPlotPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("pnlPlot");
    const int plotX = plotLeft(panel->fontMetrics());
    // Room for the scroll bar on the right and for the last frequency label below it.
    panel->setFixedSize(plotX + 501 + 70, kPlotTop + 401 + 45);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);

    display_fft = new SpectrumPaintBox(panel);
    display_fft->setObjectName("display_fft");
    display_fft->setGeometry(plotX, kPlotTop, 501, 401);
    display_fft->onMouse = [this](SpectrumPaintBox::Mouse what, int x, int y) {
        switch (what) {
        case SpectrumPaintBox::Mouse::Down: display_fftMouseDown(x, y); break;
        case SpectrumPaintBox::Mouse::Move: display_fftMouseMove(x, y); break;
        case SpectrumPaintBox::Mouse::Up: display_fftMouseUp(x, y); break;
        }
    };
    d_plot = QImage(501, 401, QImage::Format_RGB32);
    d_plot.fill(Qt::white);
    display_fft->setImage(d_plot);

    sc_ver = new QScrollBar(Qt::Vertical, panel);
    sc_ver->setObjectName("sc_ver");
    sc_ver->setGeometry(plotX + 505, kPlotTop, 17, 401);
    sc_ver->setRange(-170, 0);
    connect(sc_ver, &QScrollBar::valueChanged, this, [this](int position) { sc_verChange(position); });

    sc_hor = new QScrollBar(Qt::Horizontal, panel);
    sc_hor->setObjectName("sc_hor");
    sc_hor->setGeometry(plotX, kPlotTop + 404, 501, 17);
    sc_hor->setRange(0, 500);
    sc_hor->setPageStep(50);
    connect(sc_hor, &QScrollBar::valueChanged, this,
            [this](int position) { changeSettings([position](SpectrumSettings& s) { s.setScroll(position); }); });

    for (int k = 0; k < 6; ++k) {
        QLabel* label = namedLabel(panel, QString("la%1").arg(k));
        label->setGeometry(plotX - 28 + 100 * k, kPlotTop + 424, 90, 16);
        la[std::size_t(k)] = label;
    }
    for (int k = 0; k < 9; ++k) {
        QLabel* label = namedLabel(panel, QString("lav%1").arg(k));
        label->setGeometry(0, kPlotTop + 50 * k - 8, plotX - kLevelLabelGap, 16);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lav[std::size_t(k)] = label;
    }
    la_unit = namedLabel(panel, "la_unit", "dB");
    la_unit->setGeometry(0, 0, plotX, 12);
    return panel;
}

QWidget* TFormFFTDlg::buildToolBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName("tbFFT");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    bn_cursor = new QToolButton(bar);
    bn_cursor->setObjectName("bn_cursor");
    bn_cursor->setText("Cursor On/Off");
    bn_cursor->setCheckable(true);
    connect(bn_cursor, &QToolButton::clicked, this, [this] { bn_cursorClick(); });
    row->addWidget(bn_cursor);
    const char* saves[4][2] = {{"saveastext", "Save As Text"},
                               {"saveasexcel", "Save As Excel"},
                               {"saveasbmp", "Save As Bmp"},
                               {"saveasjpg", "Save As Jpg"}};
    void (TFormFFTDlg::*handlers[4])() = {&TFormFFTDlg::saveastextClick, &TFormFFTDlg::saveasexcelClick,
                                          &TFormFFTDlg::saveasbmpClick, &TFormFFTDlg::saveasjpgClick};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QToolButton(bar);
        button->setObjectName(saves[i][0]);
        button->setText(saves[i][1]);
        connect(button, &QToolButton::clicked, this, [this, handler = handlers[i]] { (this->*handler)(); });
        row->addWidget(button);
    }
    la_cursor = namedLabel(bar, "la_cursor");
    la_cursor->setMinimumWidth(200);
    row->addWidget(la_cursor);
    row->addStretch();
    return bar;
}

QWidget* TFormFFTDlg::buildLowerPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("pnlLower");
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    auto* harmonics = new QGroupBox("Harmonics Information", panel);
    auto* harmonicsGrid = new QGridLayout(harmonics);
    const char* names[6] = {"la_1st", "la_2nd", "la_3rd", "la_4th", "la_5th", "la_6th"};
    const char* captions[6] = {"1st :", "2nd :", "3rd :", "4th :", "5th :", "6th :"};
    for (int h = 0; h < 6; ++h) {
        QLabel* value = namedLabel(harmonics, names[h], "-- --");
        value->setMinimumWidth(150);
        harmonicsGrid->addWidget(new QLabel(captions[h], harmonics), h / 2, (h % 2) * 2);
        harmonicsGrid->addWidget(value, h / 2, (h % 2) * 2 + 1);
        la_harmonic[std::size_t(h)] = value;
    }
    row->addWidget(harmonics);

    auto* figures = new QGroupBox("Measurement Information", panel);
    auto* figuresGrid = new QGridLayout(figures);
    QLabel** targets[6] = {&la_THD, &la_SNR, &la_ENOB, &la_SINAD, &la_SFDR, &la_TotalPower};
    const char* figureNames[6] = {"la_THD", "la_SNR", "la_ENOB", "la_SINAD", "la_SFDR", "la_TotalPower"};
    const char* figureCaptions[6] = {"THD :", "SNR :", "ENOB :", "SINAD :", "SFDR :", "Total Power :"};
    for (int i = 0; i < 6; ++i) {
        *targets[i] = namedLabel(figures, figureNames[i]);
        (*targets[i])->setMinimumWidth(90);
        figuresGrid->addWidget(new QLabel(figureCaptions[i], figures), i / 2, (i % 2) * 2);
        figuresGrid->addWidget(*targets[i], i / 2, (i % 2) * 2 + 1);
    }
    row->addWidget(figures);
    return panel;
}

void TFormFFTDlg::channelSwitched(int channel_, bool on_) {
    QRadioButton* own = channel_ == 0 ? rbFFTCh1 : rbFFTCh2;
    QRadioButton* other = channel_ == 0 ? rbFFTCh2 : rbFFTCh1;
    const auto select = [this](QRadioButton* button_) {
        button_->setChecked(true);
        if (button_ == rbFFTCh1)
            rbFFTCh1Click();
        else
            rbFFTCh2Click();
    };
    own->setEnabled(on_);
    if (!on_ && other->isEnabled()) select(other);
    if (on_ && !other->isEnabled()) select(own);
}

void TFormFFTDlg::enableChannelButtons(bool select_) {
    const bool ch2 = p_kernel->channelOn(2);
    const bool ch1 = p_kernel->channelOn(1);
    rbFFTCh2->setEnabled(ch2);
    rbFFTCh1->setEnabled(ch1);
    if (!select_) return;
    int channel = -1;
    if (ch2) {
        rbFFTCh2->setChecked(true);
        channel = 1;
    }
    if (ch1) {
        rbFFTCh1->setChecked(true);
        channel = 0;
    }
    if (channel >= 0) changeSettings([channel](SpectrumSettings& s) { s.fftChannel = channel; });
}

SpectrumSettings TFormFFTDlg::settings() const {
    std::lock_guard<std::mutex> lock(d_settingsLock);
    return d_settings;
}

void TFormFFTDlg::showVerticalScale(const SpectrumSettings& settings_) {
    const QSignalBlocker blockEdit(ebVGridScale);
    const QSignalBlocker blockBar(sc_ver);
    ebVGridScale->setText(QString::fromStdString(settings_.scaleText));
    (settings_.linear ? rbFFTLinear : rbFFTdB)->setChecked(true);
    sc_ver->setValue(settings_.verticalPosition);
    sc_ver->setPageStep(std::max(settings_.verticalPageStep(), 1));
}

void TFormFFTDlg::showHorizontalScale(const SpectrumSettings& settings_) {
    const QSignalBlocker block(sc_hor);
    sc_hor->setRange(0, fftScrollMaximum(settings_.zoom));
    sc_hor->setValue(settings_.scroll);
    edFFTfreScale->setText(QString(" x %1").arg(settings_.zoom));
}

// ---- the update --------------------------------------------------------------------------

void TFormFFTDlg::UpdateSpectrum(int channel_, int count_, const short* rawData_) {
    const SpectrumSettings s = settings();
    auto frame = std::make_shared<SpectrumFrame>();
    {
        std::lock_guard<std::mutex> lock(d_computeLock);
        if (!d_analyzer.UpdateSpectrum(s, *p_kernel, channel_, count_, rawData_, *frame)) return;
    }
    QImage plot = DrawSpectrumImage(*frame);
    {
        std::lock_guard<std::mutex> lock(d_frameLock);
        d_pending = {std::move(frame), std::move(plot)};
    }
    d_repaint.request();
}

void TFormFFTDlg::applyPendingFrame() {
    Pending pending;
    {
        std::lock_guard<std::mutex> lock(d_frameLock);
        pending = d_pending;
    }
    if (!pending.frame || pending.frame == d_frame) return;
    d_frame = pending.frame;
    d_plot = pending.plot;
    const SpectrumFrame& f = *d_frame;
    for (std::size_t k = 0; k < la.size(); ++k) la[k]->setText(QString::fromStdString(f.frequencyLabels[k]));
    for (std::size_t k = 0; k < lav.size(); ++k) lav[k]->setText(QString::fromStdString(f.levelLabels[k]));
    for (std::size_t h = 0; h < la_harmonic.size(); ++h)
        la_harmonic[h]->setText(QString::fromStdString(f.figures.harmonic[h]));
    la_THD->setText(QString::fromStdString(f.figures.thd));
    la_SNR->setText(QString::fromStdString(f.figures.snr));
    la_ENOB->setText(QString::fromStdString(f.figures.enob));
    la_SINAD->setText(QString::fromStdString(f.figures.sinad));
    la_SFDR->setText(QString::fromStdString(f.figures.sfdr));
    la_TotalPower->setText(QString::fromStdString(f.figures.totalPower));
    la_cursor->setText(QString::fromStdString(f.cursorText));
    display_fft->setImage(d_plot);
}

std::shared_ptr<const SpectrumFrame> TFormFFTDlg::latestFrame() const {
    std::lock_guard<std::mutex> lock(d_frameLock);
    return d_pending.frame;
}

SpectrumRecordCopy TFormFFTDlg::spectrumRecord() const {
    SpectrumRecordCopy copy;
    const SpectrumSettings s = settings();
    copy.size = s.size();
    copy.linear = s.linear;
    if (const auto frame = latestFrame()) {
        copy.size = frame->size();
        copy.lin = frame->lin;
        copy.dB = frame->dB;
    }
    return copy;
}

// ---- handlers ----------------------------------------------------------------------------

SpectrumSettings TFormFFTDlg::changeSettings(const std::function<void(SpectrumSettings&)>& change_) {
    std::lock_guard<std::mutex> lock(d_settingsLock);
    change_(d_settings);
    d_fftChannel = d_settings.fftChannel;
    return d_settings;
}

void TFormFFTDlg::rbFFTWindowTypeClick(int tag_) {
    changeSettings([tag_](SpectrumSettings& s) { s.window = static_cast<unsigned short>(tag_); });
}

void TFormFFTDlg::rbFFTCh1Click() {
    changeSettings([](SpectrumSettings& s) { s.fftChannel = 0; });
}

void TFormFFTDlg::rbFFTCh2Click() {
    changeSettings([](SpectrumSettings& s) { s.fftChannel = 1; });
}

void TFormFFTDlg::winsizeClick(int tag_) {
    changeSettings([tag_](SpectrumSettings& s) { s.setFftSize(tag_); });
}

void TFormFFTDlg::rbFFTdBClick() {
    const auto frame = latestFrame();
    const double fundamental = frame ? frame->dB[std::size_t(frame->fundamentalBin())] : 0.0;
    showVerticalScale(changeSettings([fundamental](SpectrumSettings& s) { s.selectDb(fundamental); }));
    lbVGridUnit->setText("dB/Div");
    la_unit->setText("[dB]");
}

void TFormFFTDlg::rbFFTLinearClick() {
    const auto frame = latestFrame();
    const double fundamental = frame ? frame->lin[std::size_t(frame->fundamentalBin())] : 0.0;
    showVerticalScale(changeSettings([fundamental](SpectrumSettings& s) { s.selectLinear(fundamental); }));
    lbVGridUnit->setText("V/Div");
    la_unit->setText("[Volt]");
}

void TFormFFTDlg::ebVGridScaleKeyDown() {
    const std::string text = ebVGridScale->text().toStdString();
    bool ok = false;
    const SpectrumSettings s = changeSettings([&](SpectrumSettings& settings) { ok = settings.typeScale(text); });
    if (!ok) {
        showMessage("Wrong number, Try again");
        return;
    }
    showVerticalScale(s);
}

void TFormFFTDlg::udFFTOutGridChangingEx(bool up_) {
    showVerticalScale(changeSettings([up_](SpectrumSettings& s) { s.stepScale(up_); }));
}

void TFormFFTDlg::sc_verChange(int position_) {
    const SpectrumSettings s =
        changeSettings([position_](SpectrumSettings& settings) { settings.setVerticalPosition(position_); });
    sc_ver->setPageStep(std::max(s.verticalPageStep(), 1));
}

void TFormFFTDlg::udFFTFreqScaleClick(bool up_) {
    showHorizontalScale(changeSettings([up_](SpectrumSettings& s) { s.stepZoom(up_); }));
}

void TFormFFTDlg::bn_cursorClick() {
    const SpectrumSettings s =
        changeSettings([](SpectrumSettings& settings) { settings.cursorOn = !settings.cursorOn; });
    bn_cursor->setChecked(s.cursorOn);
}

void TFormFFTDlg::display_fftMouseDown(int x_, int y_) {
    d_cursorDragging = true;
    display_fftMouseMove(x_, y_);
}

void TFormFFTDlg::display_fftMouseMove(int x_, int y_) {
    if (!d_cursorDragging || x_ < 0 || x_ > kFftPlotWidth) return;
    changeSettings([x_, y_](SpectrumSettings& s) {
        s.cursorX = x_;
        s.cursorY = y_;
    });
}

void TFormFFTDlg::display_fftMouseUp(int x_, int y_) {
    display_fftMouseMove(x_, y_);
    d_cursorDragging = false;
}

// ---- exports -----------------------------------------------------------------------------

void TFormFFTDlg::saveastextClick() {
    const std::string name = runSaveDialog("Text files (*.txt)|*.TXT", "txt", this, "Save As Text").value_or("");
    if (name.empty()) return;
    const double t = fftSecondsPerDivision(p_kernel->timeDiv());
    std::shared_ptr<const SpectrumFrame> frame;
    if (!pauseStandard(processGuiEventsExceptInput, [&] { frame = latestFrame(); })) return;
    static const std::vector<float> none;
    const std::string text = spectrumText(frame ? frame->lin : none, frame ? frame->dB : none, settings().linear, t);
    writeFileOrTell(name, text);
}

void TFormFFTDlg::saveasexcelClick() {
    if (d_excelExporter) {
        d_excelExporter(*this);
        return;
    }
    const SpectrumRecordCopy record = spectrumRecord();
    exportFftToExcel(record.size, record.linear, record.lin, record.dB);
}

void TFormFFTDlg::saveasbmpClick() { savePicture(false); }

void TFormFFTDlg::saveasjpgClick() { savePicture(true); }

void TFormFFTDlg::savePicture(bool jpeg_) {
    const std::string name = (jpeg_ ? runSaveDialog("JPEG files (*.jpg)|*.JPG", "jpg", this, "Save As Jpg")
                                    : runSaveDialog("Bitmap files (*.bmp)|*.BMP", "bmp", this, "Save As Bmp"))
                                 .value_or("");
    if (name.empty()) return;
    QImage picture;
    const bool composed = pauseStandard(processGuiEventsExceptInput, [&] {
        applyPendingFrame(); // the labels and plot of the newest spectrum
        picture = ComposeExportBitmap(d_plot, exportTexts());
    });
    if (!composed) return; // the user was told

    // 24 bits per pixel: the picture as drawn, no palette.
    std::string error;
    const bool saved = jpeg_ ? savePictureJpeg(picture, name, &error) : savePictureBmp(picture, name, 24, &error);
    if (!saved) showMessage(pictureFileErrorText(name, error), "", MessageButtons::Ok, MessageIcon::Error);
}

SpectrumExportTexts TFormFFTDlg::exportTexts() const {
    const SpectrumSettings s = settings();
    SpectrumExportTexts t;
    t.linear = s.linear;
    t.levels = {lav[0]->text().toStdString(), lav[4]->text().toStdString(), lav[8]->text().toStdString()};
    for (std::size_t k = 0; k < la.size(); ++k) t.frequencies[k] = la[k]->text().toStdString();
    t.channel = s.fftChannel;
    t.window = s.window;
    t.size = s.size();
    t.cursor = la_cursor->text().toStdString();
    for (std::size_t h = 0; h < la_harmonic.size(); ++h) t.harmonics[h] = la_harmonic[h]->text().toStdString();
    t.snr = la_SNR->text().toStdString();
    t.enob = la_ENOB->text().toStdString();
    t.sinad = la_SINAD->text().toStdString();
    t.thd = la_THD->text().toStdString();
    t.sfdr = la_SFDR->text().toStdString();
    t.totalPower = la_TotalPower->text().toStdString();
    return t;
}

// ---- window events -----------------------------------------------------------------------

void TFormFFTDlg::closeEvent(QCloseEvent* event_) {
    if (d_closeHandler) {
        event_->ignore(); // the toggle hides the window and restores the record length
        d_closeHandler();
        return;
    }
    QWidget::closeEvent(event_);
}

void TFormFFTDlg::showEvent(QShowEvent* event_) {
    // Channels switched on or off since the window was made: the buttons follow, the choice stays.
    enableChannelButtons(false);
    d_shown = true;
    QWidget::showEvent(event_);
}

void TFormFFTDlg::hideEvent(QHideEvent* event_) {
    d_shown = false;
    QWidget::hideEvent(event_);
}
