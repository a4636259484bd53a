#include "file_dialog.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace {

FileDialogHandler& handler() {
    static FileDialogHandler h;
    return h;
}

std::optional<std::string> run(FileDialogKind kind, const std::string& filter, const std::string& extension,
                               QWidget* parent, const std::string& caption) {
    FileDialogRequest request{kind, filter, extension, caption};
    if (handler()) return handler()(request);

    QFileDialog dialog(parent, QString::fromStdString(caption));
    dialog.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(qtFileFilter(filter)));
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

std::optional<std::string> runOpenDialog(const std::string& filter, const std::string& defaultExtension,
                                         QWidget* parent, const std::string& caption) {
    return run(FileDialogKind::Open, filter, defaultExtension, parent, caption);
}

std::optional<std::string> runSaveDialog(const std::string& filter, const std::string& defaultExtension,
                                         QWidget* parent, const std::string& caption) {
    return run(FileDialogKind::Save, filter, defaultExtension, parent, caption);
}

void setFileDialogHandler(FileDialogHandler h) { handler() = std::move(h); }

std::string qtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        const qsizetype close = description.lastIndexOf(QLatin1Char(')'));
        if (open >= 0 && close > open) {
            QStringList patterns =
                description.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!patterns.contains(p)) patterns << p;
            description = description.left(open).trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                          QLatin1Char(')');
        } else if (!pattern.isEmpty()) {
            description +=
                QStringLiteral(" (") + QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        }
        entries << description;
    }
    return entries.join(QStringLiteral(";;")).toStdString();
}
