#pragma once
// TFormPreviewDlg ("Preview"): the screen picture before it is printed, alone ("wave" view)
// or as it will sit on the printer's page ("paper" view), and printed on request. The print
// preview action creates one, runs exec() and deletes it.

#include "screen_image.h"

#include <QDialog>
#include <QImage>

class QPainter;
class QPushButton;
class QWidget;

class TFormPreviewDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int PREVIEW_WIDTH = 600; // the paint box
    static constexpr int PREVIEW_HEIGHT = 500;

    // Makes the picture when a printer exists (its figures go into the source's Environment);
    // without one shows "Printer is not selected!" and keeps no picture.
    TFormPreviewDlg(QWidget* owner, const ScreenImageSource& source);
    ~TFormPreviewDlg() override;

    // Without a picture the dialog closes at once (Rejected) instead of showing.
    int exec() override;

    void OKBtnClick();   // prints the picture, then closes with Accepted
    void b_scaleClick(); // wave view <-> paper view
    // Draws the current view into the paint box (its repaint handler); re-reads the printer.
    void previewPaint(QPainter& painter);

    bool hasPicture() const { return !d_picture.isNull(); }
    const QImage& picture() const { return d_picture; }
    bool paperView() const { return d_viewFlag == 1; }

private:
    void reportSetError();

    QPushButton* OKBtn = nullptr;
    QPushButton* b_scale = nullptr;
    QPushButton* CancelBtn = nullptr;
    QWidget* preview = nullptr;

    Environment* p_environment = nullptr;
    QImage d_picture;
    int d_viewFlag = 0;           // 0 wave view, 1 paper view
    bool d_setErrorShown = false; // "Printer : set error" once per spell, not at every repaint
};
