#pragma once
// "State register": a labelled table for a few State values of the hidden test menu. Nothing
// fills the values.

#include <QDialog>

class QTableWidget;

class TFormStateView : public QDialog {
    Q_OBJECT
public:
    explicit TFormStateView(QWidget* parent = nullptr);

    // 2 columns, 28 rows: row 0 "Registers" and "Value", then the row names in column 0.
    QTableWidget* StringGrid1;
};
