#include "form_about.h"
#include "velmora2_version.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char* const kMakerPage = "https://velmora2.example.org/";

// A small screen with one period of a sine: the program's picture.
QPixmap aboutPicture() {
    constexpr int size = 64;
    QPixmap picture(size, size);
    picture.fill(Qt::black);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 60));
    for (int k = 16; k < size; k += 16) {
        p.drawLine(k, 0, k, size);
        p.drawLine(0, k, size, k);
    }
    QPainterPath trace;
    for (int x = 0; x <= size; ++x) {
        const double y = size / 2.0 - 20.0 * std::sin(2.0 * M_PI * x / size);
        if (x == 0)
            trace.moveTo(x, y);
        else
            trace.lineTo(x, y);
    }
    p.setPen(QPen(Qt::green, 2));
    p.drawPath(trace);
    return picture;
}

QLabel* valueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TFormAbout::TFormAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), lbTotalPhys(valueLabel("lbTotalPhys", this)),
      lbAvailPhys(valueLabel("lbAvailPhys", this)), lbTotalVirtual(valueLabel("lbTotalVirtual", this)),
      lbAvailVirtual(valueLabel("lbAvailVirtual", this)), Label11(new QLabel(this)),
      OKBtn(new QPushButton("OK", this)) {
    setObjectName("FormAbout");
    setWindowTitle("About");
    setMinimumWidth(200);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* picture = new QLabel(this);
    picture->setPixmap(aboutPicture());
    auto* name = new QLabel("<b>Velmora2</b><br>Version " VELMORA2_VERSION, this);
    auto* panel = new QHBoxLayout;
    panel->addWidget(picture);
    panel->addWidget(name, 1);

    Label11->setObjectName("Label11");
    Label11->setText(QString("<a href=\"%1\">%1</a>").arg(kMakerPage));
    Label11->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(Label11, &QLabel::linkActivated, this, [this] { Label11Click(); });

    auto* memory = new QGridLayout;
    const char* captions[] = {"Total Physical Memory", "Available Physical Memory", "Total Virtual Memory",
                              "Available Virtual Memory"};
    QLabel* values[] = {lbTotalPhys, lbAvailPhys, lbTotalVirtual, lbAvailVirtual};
    for (int row = 0; row < 4; ++row) {
        memory->addWidget(new QLabel(captions[row], this), row, 0);
        memory->addWidget(values[row], row, 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panel);
    layout->addWidget(new QLabel("Copyright (C) Velmora2. All rights reserved.", this));
    layout->addWidget(Label11);
    layout->addLayout(memory);
    layout->addWidget(OKBtn, 0, Qt::AlignHCenter);
}

void TFormAbout::Label11Click() { QDesktopServices::openUrl(QUrl(kMakerPage)); }
