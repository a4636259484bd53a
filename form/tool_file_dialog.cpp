#include "tool_file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

SaveFileHandler& handler() {
    static SaveFileHandler h;
    return h;
}

// "CSV files (*.csv)|*.CSV|..." as Qt's "CSV files (*.CSV *.csv);;...": the patterns are
// given in both cases, since file names on Linux keep their case.
QString qtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const int bracket = description.indexOf('(');
        if (bracket > 0)
            description = description.left(bracket).trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            patterns << pattern;
            if (pattern.toLower() != pattern)
                patterns << pattern.toLower();
        }
        entries << description + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

} // namespace

void setSaveFileHandler(SaveFileHandler h) { handler() = std::move(h); }

std::string askSaveFileName(QWidget* parent, const SaveFileRequest& request) {
    if (handler())
        return handler()(parent, request);
    QFileDialog dialog(parent, QString::fromStdString(request.caption));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(qtFilter(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}
