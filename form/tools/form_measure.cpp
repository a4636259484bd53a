#include "form_measure.h"

#include "display_change.h"
#include "environment.h"
#include "file_dialog.h"
#include "ini_file.h"
#include "message_box.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QColor gdiColour(int colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

} // namespace

TFormMeasure::TFormMeasure(const ToolWindowKernel& kernel_, const Environment* environment_, QWidget* parent_)
    : QWidget(parent_, Qt::Dialog), p_kernel(&kernel_), p_environment(environment_),
      d_refresh(this, [this] { applyPendingLabels(); }) {
    setObjectName("FormMeasure");
    setWindowTitle("Measurement");
    setWindowOpacity(0.9);

    auto* panel = new QFrame(this);
    panel->setObjectName("pnlMeasure");
    panel->setAutoFillBackground(true);
    QPalette black = panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    panel->setPalette(black);
    auto* lines = new QVBoxLayout(panel);
    for (int i = 0; i < kMeasureLines; ++i) {
        auto* label = new QLabel(panel);
        label->setObjectName(QString("lbMeasure%1").arg(i, 2, 10, QChar('0')));
        label->setProperty("Tag", i);
        label->setMinimumWidth(240);
        label->installEventFilter(this);
        lines->addWidget(label);
        lbMeasure[std::size_t(i)] = label;
    }

    btDeleteItem = new QPushButton("Delete", this);
    btDeleteItem->setObjectName("btDeleteItem");
    btDeleteAll = new QPushButton("Delete All", this);
    btDeleteAll->setObjectName("btDeleteAll");
    BtSave = new QPushButton("Save", this);
    BtSave->setObjectName("BtSave");
    connect(btDeleteItem, &QPushButton::clicked, this, [this] { btDeleteItemClick(); });
    connect(btDeleteAll, &QPushButton::clicked, this, [this] { btDeleteAllClick(); });
    connect(BtSave, &QPushButton::clicked, this, [this] { BtSaveClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btDeleteItem);
    buttons->addWidget(btDeleteAll);
    buttons->addWidget(BtSave);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the window sizes itself to its lines
}

TFormMeasure::~TFormMeasure() = default;

bool TFormMeasure::UpdateMeasurements(const unsigned char* ch1_, const unsigned char* ch2_, const unsigned char* math_,
                                      const unsigned char*, bool redrawn_) {
    const int upper = p_environment ? p_environment->UpperLevel : 90;
    const int lower = p_environment ? p_environment->LowerLevel : 10;
    {
        std::lock_guard<std::mutex> lock(d_lock);
        d_set.UpdateMeasurements(*p_kernel, ch1_, ch2_, math_, upper, lower, redrawn_);
    }
    RefreshMeasureLabels();
    return true;
}

void TFormMeasure::RefreshMeasureLabels() {
    {
        std::lock_guard<std::mutex> lock(d_lock);
        d_pendingLines = d_set.labelLines(*p_kernel);
    }
    d_refresh.request();
}

void TFormMeasure::applyPendingLabels() {
    std::array<MeasureLine, kMeasureLines> lines;
    {
        std::lock_guard<std::mutex> lock(d_lock);
        lines = d_pendingLines;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lbMeasure[i]->setText(QString::fromStdString(lines[i].text));
        if (!lines[i].text.empty()) {
            QPalette palette = lbMeasure[i]->palette();
            palette.setColor(QPalette::WindowText, gdiColour(lines[i].colour));
            lbMeasure[i]->setPalette(palette);
        }
    }
}

void TFormMeasure::AddMeasureItem(int source_, int slot_) {
    {
        std::lock_guard<std::mutex> lock(d_lock);
        if (!d_set.AddMeasureItem(source_, slot_)) return;
    }
    RefreshMeasureLabels();
    // A stopped display rests until something changes: the new item is measured on the
    // frame this asks for.
    notifyDisplayChange();
}

void TFormMeasure::MarkEnabledMeasurements() {
    std::lock_guard<std::mutex> lock(d_lock);
    d_set.MarkEnabledMeasurements();
}

// A stopped display may not refresh the labels for a long time: an item removed goes at once.
void TFormMeasure::DeleteMeasureItem(int index_) {
    {
        std::lock_guard<std::mutex> lock(d_lock);
        if (!d_set.DeleteMeasureItem(index_)) return;
    }
    RefreshMeasureLabels();
}

void TFormMeasure::DeleteLastMeasureItem() {
    {
        std::lock_guard<std::mutex> lock(d_lock);
        d_set.DeleteLastMeasureItem();
    }
    RefreshMeasureLabels();
}

void TFormMeasure::DeleteAllMeasureItems() {
    {
        std::lock_guard<std::mutex> lock(d_lock);
        d_set.DeleteAllMeasureItems();
    }
    RefreshMeasureLabels();
}

int TFormMeasure::itemCount() const {
    std::lock_guard<std::mutex> lock(d_lock);
    return int(d_set.items().size());
}

bool TFormMeasure::SaveMeasurementsCsv(const std::string& fileName_) {
    std::string text;
    {
        std::lock_guard<std::mutex> lock(d_lock);
        text = d_set.csvText(*p_kernel);
    }
    return writeFileOrTell(fileName_, text);
}

QString TFormMeasure::labelText(int index_) const {
    if (index_ < 0 || index_ >= kMeasureLines) return {};
    return lbMeasure[std::size_t(index_)]->text();
}

void TFormMeasure::btDeleteItemClick() { DeleteLastMeasureItem(); }

void TFormMeasure::btDeleteAllClick() { DeleteAllMeasureItems(); }

void TFormMeasure::BtSaveClick() {
    const std::optional<std::string> name = runSaveDialog("CSV files (*.csv)|*.CSV", "csv", this, "Save");
    if (!name || name->empty()) return;
    if (!SaveMeasurementsCsv(*name)) showMessage("Fail : data save");
}

void TFormMeasure::lbMeasureClick(int tag_) { DeleteMeasureItem(tag_); }

bool TFormMeasure::eventFilter(QObject* watched_, QEvent* event_) {
    if (event_->type() == QEvent::MouseButtonRelease) {
        const QVariant tag = watched_->property("Tag");
        if (tag.isValid()) {
            lbMeasureClick(tag.toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched_, event_);
}

void TFormMeasure::showEvent(QShowEvent* event_) {
    d_shown = true;
    QWidget::showEvent(event_);
}

void TFormMeasure::hideEvent(QHideEvent* event_) {
    d_shown = false;
    QWidget::hideEvent(event_);
}
