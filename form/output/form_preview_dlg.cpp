#include "form_preview_dlg.h"

#include "message_box.h"

#include <QMetaObject>
#include <QPainter>
#include <QPushButton>

namespace {

// The drawing area: white, painted by the dialog.
class PreviewBox : public QWidget {
public:
    PreviewBox(TFormPreviewDlg* dialog, QWidget* parent) : QWidget(parent), p_dialog(dialog) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        p_dialog->previewPaint(painter);
    }

private:
    TFormPreviewDlg* p_dialog;
};

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(x, 0, 105, 25);
    return b;
}

} // namespace

TFormPreviewDlg::TFormPreviewDlg(QWidget* owner, const ScreenImageSource& source)
    : QDialog(owner), p_environment(source.environment) {
    setObjectName("FormPreviewDlg");
    setWindowTitle("Preview");
    setFixedSize(PREVIEW_WIDTH, 25 + PREVIEW_HEIGHT);

    OKBtn = button(this, "OKBtn", "print", 0);
    OKBtn->setDefault(true);
    b_scale = button(this, "b_scale", "view paper", 112);
    CancelBtn = button(this, "CancelBtn", "close", 224);
    preview = new PreviewBox(this, this);
    preview->setObjectName("preview");
    preview->setGeometry(0, 25, PREVIEW_WIDTH, PREVIEW_HEIGHT);

    connect(OKBtn, &QPushButton::clicked, this, &TFormPreviewDlg::OKBtnClick);
    connect(b_scale, &QPushButton::clicked, this, &TFormPreviewDlg::b_scaleClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    if (check_printer(*p_environment)) {
        d_picture = compose_print_picture(source);
        d_viewFlag = 0;
        b_scale->setText("view paper");
    } else {
        showMessage("Printer is not selected!");
    }
}

TFormPreviewDlg::~TFormPreviewDlg() = default;

int TFormPreviewDlg::exec() {
    if (d_picture.isNull()) return QDialog::Rejected;
    return QDialog::exec();
}

void TFormPreviewDlg::OKBtnClick() {
    if (!d_picture.isNull()) print_picture(d_picture, printDocumentName(p_environment));
    accept();
}

void TFormPreviewDlg::b_scaleClick() {
    d_viewFlag = d_viewFlag == 0 ? 1 : 0;
    b_scale->setText(d_viewFlag == 1 ? "view wave" : "view paper");
    d_setErrorShown = false;
    preview->update();
}

void TFormPreviewDlg::previewPaint(QPainter& painter) {
    if (d_picture.isNull()) return;
    check_printer(*p_environment);
    const PreviewGeometry g = previewGeometry(d_viewFlag == 1, preview->width(), preview->height(), d_picture.width(),
                                              d_picture.height(), p_environment->printerCaps);
    if (!g.ok) {
        reportSetError();
        return;
    }
    d_setErrorShown = false;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    // The outline covers columns left .. right - 1 and rows top .. bottom - 1.
    painter.drawRect(QRect(g.outline.left, g.outline.top, g.outline.width() - 1, g.outline.height() - 1));
    painter.drawImage(QRect(g.picture.left, g.picture.top, g.picture.width(), g.picture.height()), d_picture);
}

void TFormPreviewDlg::reportSetError() {
    // A message box inside a repaint would repaint again under it: show it once, afterwards.
    if (d_setErrorShown) return;
    d_setErrorShown = true;
    QMetaObject::invokeMethod(
        this, [] { showMessage("Printer : set error"); }, Qt::QueuedConnection);
}
