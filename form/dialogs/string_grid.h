#pragma once
// The service views' string grid: a read-only table whose row 0 and column 0 are ordinary
// cells holding the titles and names, addressed as (column, row) like the grid they stand for.

#include <QString>

class QTableWidget;
class QWidget;

// A grid named "StringGrid1" without header sections.
QTableWidget* createStringGrid(QWidget* parent, int columns, int rows);

// Sets the text of the cell, making its item when it has none.
void setGridCell(QTableWidget* grid, int column, int row, const QString& text);
