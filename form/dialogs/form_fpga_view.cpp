#include "form_fpga_view.h"

#include "acquisition_thread.h"
#include "control_facade.h"
#include "message_box.h"
#include "register_view_rows.h"
#include "string_grid.h"

#include <QTableWidget>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr int kColumns = 7;
constexpr int kRows = 28;

} // namespace

TFormFPGAview::TFormFPGAview(QWidget* parent) : QDialog(parent), StringGrid1(createStringGrid(this, kColumns, kRows)) {
    setObjectName("FormFPGAview");
    setWindowTitle("FPGA register");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    resize(560, 620);
    fillHeadings();
}

void TFormFPGAview::fillHeadings() {
    const std::vector<std::string> names = registerViewNames(controlGetHardwareVersion());
    // Generations 3 and 4 name two registers more than 27: the grid grows to hold them.
    StringGrid1->setRowCount(std::max(kRows, static_cast<int>(names.size()) + 1));
    const char* titles[kColumns] = {"", "Dec", "Hex", "Binary", "Dec'", "Hex'", "Binary'"};
    for (int c = 0; c < kColumns; ++c) setGridCell(StringGrid1, c, 0, titles[c]);
    for (size_t r = 0; r < names.size(); ++r)
        setGridCell(StringGrid1, 0, static_cast<int>(r) + 1, QString::fromStdString(names[r]));
}

void TFormFPGAview::show_register_view() {
    std::vector<RegisterViewRow> rows;
    int failures = 0;
    pauseStandard(processGuiEventsExceptInput, [&] {
        std::vector<unsigned char> readBack(static_cast<size_t>(std::max(0, controlGetNumberOfReadRegisters())));
        const bool readOk = controlReadRegisters(readBack.data(), static_cast<int>(readBack.size()));
        if (!readOk) ++failures;
        unsigned char version = 0;
        if (!controlReadFPGAVersion(&version)) ++failures;
        rows = registerViewRows(controlGetHardwareVersion(), controlGetRegisterImage(),
                                readOk ? readBack.data() : nullptr, static_cast<int>(readBack.size()));
    });
    for (int i = 0; i < failures; ++i) showMessage("ERROR!");

    for (size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r) + 1;
        const auto put = [&](int firstColumn, const std::optional<unsigned char>& value) {
            const std::array<std::string, 3> texts = value ? registerCellTexts(*value) : std::array<std::string, 3>{};
            for (int c = 0; c < 3; ++c)
                setGridCell(StringGrid1, firstColumn + c, row, QString::fromStdString(texts[static_cast<size_t>(c)]));
        };
        put(1, rows[r].image);
        put(4, rows[r].readBack);
    }
    show();
    raise();
}
