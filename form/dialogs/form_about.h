#pragma once
// "About": the program's picture, name and version, a rights line, the four memory figures and
// a link to the maker's page. The main window's About action creates it, fills the four value
// labels, shows it modally and deletes it.

#include <QDialog>

class QLabel;
class QPushButton;

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    // Stays on top, centred on `parent` (the main window), at least 200 pixels wide.
    explicit TFormAbout(QWidget* parent = nullptr);

    // The link label: opens the maker's page in the desktop's browser.
    void Label11Click();

    QLabel* lbTotalPhys;
    QLabel* lbAvailPhys;
    QLabel* lbTotalVirtual;
    QLabel* lbAvailVirtual;
    QLabel* Label11; // the maker's page
    QPushButton* OKBtn;
};
