#include "form_state_view.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

TFormStateView::TFormStateView(QWidget* parent) : QDialog(parent), StringGrid1(new QTableWidget(28, 2, this)) {
    setObjectName("FormStateView");
    setWindowTitle("State register");
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setItem(0, 0, new QTableWidgetItem("Registers"));
    StringGrid1->setItem(0, 1, new QTableWidgetItem("Value"));
    const char* names[] = {"ChOnOff", "bufferSizeMode", "bufferSizeMax", "bufferSize", "TrevanMode"};
    int row = 1;
    for (const char* name : names) StringGrid1->setItem(row++, 0, new QTableWidgetItem(name));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    resize(300, 620);
}
