#pragma once
// The wait window of auto set: borderless, always on top, centred on the main window, client
// 296 x 99, a white panel with a picture and "Autoset in progress ...". No behaviour of its own.
// Auto set runs on the GUI thread, so it is painted only when the window system's events are let
// through: once shown, and then again and again while the work goes on.

#include <QDialog>

class TFormAutoSetDlg : public QDialog {
    Q_OBJECT
public:
    // `centreOn`: the main window, or null for the screen centre.
    explicit TFormAutoSetDlg(QWidget* centreOn = nullptr);

    // Shows the window and paints it once the window system has exposed it (events other than
    // user input are let through meanwhile, for at most a second).
    void showAndPaint();
    // Lets events other than user input through, so that an exposed window gets repainted.
    void keepPainted();
};
