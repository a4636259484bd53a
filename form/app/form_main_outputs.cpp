// The main window's outputs: the text file and the spreadsheet from the cycle's raw records;
// the screen picture (BMP, JPEG, printer, clipboard) drawn from the window's trace images,
// read-outs and markers; the document, which pastes that picture from the clipboard.
#include "form_main.h"

#include "codes.h"
#include "data_export.h"
#include "form_measure.h"

#include <QComboBox>
#include <QLabel>

RawRecordSlots TFormMain::rawRecordSlots() { return {rawDataSlot(_CH1), rawDataSlot(_CH2)}; }

void TFormMain::saveWaveformText(const std::string& path) { save_waveform_text(path, rawRecordSlots()); }

void TFormMain::exportWaveformExcel() {
    export_waveform_excel(rawRecordSlots(), cbTimeDiv->currentText().toStdString());
}

void TFormMain::exportDisplayToWord() {
    export_display_to_word([this] { copyScreenToClipboard(); });
}

void TFormMain::saveScreenBmp(const std::string& path) { save_screen_bmp(path, screenImageSource()); }
void TFormMain::saveScreenJpeg(const std::string& path) { save_screen_jpeg(path, screenImageSource()); }
void TFormMain::printScreen() { print_screen(screenImageSource()); }
void TFormMain::copyScreenToClipboard() { copy_screen_to_clipboard(screenImageSource()); }

ScreenImageSource TFormMain::screenImageSource() {
    ScreenImageSource source;
    source.environment = p_environment.get();
    for (int trace = _CH1; trace <= _REFERENCE; ++trace)
        source.displayBufferSlot[static_cast<std::size_t>(trace - 1)] = displayBufferSlot(trace);
    comboTexts(source.texts.voltDivText, source.texts.timeDivText);
    for (std::size_t i = 0; i < 2; ++i) source.texts.cursorReadout[i] = sbCursorMeasurePanel[i]->text().toStdString();
    source.texts.measureWindowVisible = isMeasureWindowVisible();
    if (d_windows.measure)
        for (std::size_t i = 0; i < source.texts.measureLabels.size(); ++i)
            source.texts.measureLabels[i] = d_windows.measure->labelText(static_cast<int>(i)).toStdString();
    source.measureSource = measureSource();
    for (int t = 0; t < 4; ++t)
        source.markerColour[static_cast<std::size_t>(t)] = markerPicture(MarkerImageList::Offset, t).toImage();
    source.triggerPositionColour = markerPicture(MarkerImageList::HorizontalPosition, 1).toImage();
    return source;
}
