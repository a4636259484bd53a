#include "string_grid.h"

#include <QHeaderView>
#include <QTableWidget>

QTableWidget* createStringGrid(QWidget* parent, int columns, int rows) {
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->setObjectName("StringGrid1");
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return grid;
}

void setGridCell(QTableWidget* grid, int column, int row, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column))
        item->setText(text);
    else
        grid->setItem(row, column, new QTableWidgetItem(text));
}
