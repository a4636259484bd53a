#pragma once
// The four data exporters, run on the GUI thread: the channel records as a text data file
// ("*.dat") and as a spreadsheet with a line chart, the screen picture as a document, and the
// spectrum as a spreadsheet with a line chart. They read the records under the pause handshake
// and convert codes with controlRawToVoltage. The spreadsheet and document go through the
// automation objects of platform/ (SpreadsheetApplication, DocumentApplication), which save
// onto the office desk and open the file in the desktop's viewer (an opener that fails says
// where the file was saved).
//
// Failures are shown as message boxes (showMessage): the texts of the system where it has one,
// otherwise the text of the automation error. Each exporter returns true when it went through.

#include "document_automation.h"
#include "office_automation.h"

#include <functional>
#include <string>

// The main window's raw-record members (p_rawDataCh1, p_rawDataCh2): the addresses the
// captures write through. Read only under the pause handshake, since a cycle replaces them.
// A null address or a null record counts as no record: that channel is left out.
struct RawRecordSlots {
    short* const* ch1 = nullptr;
    short* const* ch2 = nullptr;
};

// What the spectrum export reads of the spectrum window: the FFT size N, the scale (linear
// or dB) and the two magnitude arrays, each with at least N/2 values.
struct SpectrumExportRecord {
    int N = 0;
    bool linear = false;
    const float* lin = nullptr;
    const float* dB = nullptr;
};

// The office desk of the automation objects. Default: the user's documents folder and the
// desktop's viewer. Setting a desk with an empty folder restores the default.
void setOfficeDesk(OfficeDesk desk);
OfficeDesk officeDesk();

// The picture Range.Paste takes: the system clipboard's image as PNG, or nothing.
std::optional<Picture> clipboardPicture();

// The text data file (the main window's "Save Data" with its "DAT files (*.dat)|*.DAT"
// dialog). An empty name does nothing. A file that cannot be written shows "File open error: "
// with the reason, and leaves an existing file untouched.
bool save_waveform_text(const std::string& fileName, const RawRecordSlots& records);

// The records as 500-point columns A (channel 1) and B (channel 2) of the worksheet "Ostra"
// with a line chart "OstraChart"; `timeDivText` is the text of the main window's time/div box.
// "Error: Check if MS-Excel is installed" when no spreadsheet application can be made.
bool export_waveform_excel(const RawRecordSlots& records, const std::string& timeDivText);

// The screen picture in a new document: `copyScreenToClipboard` (copy_screen_to_clipboard)
// puts it on the clipboard, from which the document pastes it. "Error: Check if MS-WORD is
// installed" when no document application can be made.
bool export_display_to_word(const std::function<void()>& copyScreenToClipboard);

// The spectrum as column A of "Ostra" (linear or dB values by the window's scale) with a line
// chart "OstraChart" over all N/2 bins.
bool export_fft_to_excel(const SpectrumExportRecord& spectrum);
