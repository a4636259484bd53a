#pragma once
// The wait window of auto set: borderless, always on top, centred on the main window, client
// 296 x 99, a white panel with a picture and "Autoset in progress ...". No behaviour of its own;
// it shows only what it painted when shown, since auto set pumps no messages.

#include <QDialog>

class TFormAutoSetDlg : public QDialog {
    Q_OBJECT
public:
    // `centreOn`: the main window, or null for the screen centre.
    explicit TFormAutoSetDlg(QWidget* centreOn = nullptr);

    // Shows the window and paints it at once.
    void showAndPaint();
};
