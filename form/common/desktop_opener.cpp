#include "desktop_opener.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

std::vector<std::string>& opener() {
    static std::vector<std::string> command;
    return command;
}

} // namespace

void setDesktopOpener(std::vector<std::string> command) { opener() = std::move(command); }

void openWithDesktop(const std::string& path, std::function<void()> failed) {
    const std::vector<std::string>& command = opener();
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i) arguments << QString::fromStdString(command[i]);
    arguments << QString::fromStdString(path);
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // errorOccurred comes for a program that cannot start, finished for one that ran; a crash
    // gives both, and is told once.
    auto report = std::make_shared<std::function<void()>>(std::move(failed));
    const auto fail = [process, report] {
        if (*report) (*report)();
        *report = nullptr;
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process, [process, fail](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            fail();
        else
            process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [fail](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) fail();
    });
    process->start(command.empty() ? QStringLiteral("xdg-open") : QString::fromStdString(command[0]), arguments);
}
