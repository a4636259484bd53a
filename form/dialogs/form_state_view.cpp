#include "form_state_view.h"

#include "string_grid.h"

#include <QTableWidget>
#include <QVBoxLayout>

TFormStateView::TFormStateView(QWidget* parent) : QDialog(parent), StringGrid1(createStringGrid(this, 2, 28)) {
    setObjectName("FormStateView");
    setWindowTitle("State register");
    setGridCell(StringGrid1, 0, 0, "Registers");
    setGridCell(StringGrid1, 1, 0, "Value");
    const char* names[] = {"ChOnOff", "bufferSizeMode", "bufferSizeMax", "bufferSize", "TrevanMode"};
    int row = 1;
    for (const char* name : names) setGridCell(StringGrid1, 0, row++, name);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    resize(300, 620);
}
