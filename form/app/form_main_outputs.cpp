// The main window's data exports: the text file and the spreadsheet from the cycle's raw
// records, the document from the screen picture on the clipboard.
#include "form_main.h"

#include "codes.h"
#include "data_export.h"

#include <QComboBox>

RawRecordSlots TFormMain::rawRecordSlots() { return {rawDataSlot(_CH1), rawDataSlot(_CH2)}; }

void TFormMain::saveWaveformText(const std::string& path) { save_waveform_text(path, rawRecordSlots()); }

void TFormMain::exportWaveformExcel() {
    export_waveform_excel(rawRecordSlots(), cbTimeDiv->currentText().toStdString());
}

void TFormMain::exportDisplayToWord() {
    export_display_to_word([this] { copyScreenToClipboard(); });
}
