#pragma once
// "FPGA register": the register image of the kernel (columns 1-3) beside the register block
// read back from the instrument (columns 4-6), one register per row. A service window of the
// hidden test menu, created at start-up after the kernel.

#include <QDialog>

class QTableWidget;

class TFormFPGAview : public QDialog {
    Q_OBJECT
public:
    // Fills the titles and the register names of the kernel's hardware generation.
    explicit TFormFPGAview(QWidget* parent = nullptr);

    // The test menu's "FPGA View": reads the register block and the FPGA version byte from the
    // instrument (under the pause handshake), fills the grid and shows the window. Each failed
    // read shows "ERROR!"; the image columns are filled all the same, the read-back columns
    // stay empty after a failed block read.
    void show_register_view();

    // Row 0 the column titles, column 0 the register names; 7 columns, 28 rows (more when the
    // generation has more names). Cells are items whose text is the shown value.
    QTableWidget* StringGrid1;

private:
    // The column titles and the register names of the instrument's generation.
    void fillHeadings();
};
