#pragma once
// Messages that the kernel raises for the user (a failed USB transfer shows the driver's
// status text, then a few words naming the operation). The GUI installs its own notifier
// at start-up, which must hand the text to the GUI thread and return at once: notify() is
// called from the worker thread too and must never block it. Without one the text goes to
// stderr.

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class Notifier {
public:
    virtual ~Notifier();
    virtual void notify(std::string_view text) = 0;
};

// One line per message on stderr.
class StderrNotifier final : public Notifier {
public:
    void notify(std::string_view text) override;
};

// Keeps every message (tests, and the program while its start holds them back). Safe to
// use from several threads.
class RecordingNotifier final : public Notifier {
public:
    void notify(std::string_view text) override;
    std::vector<std::string> messages() const;
    void clear();

private:
    mutable std::mutex d_mutex;
    std::vector<std::string> d_messages;
};

// Installs the program's notifier; null restores the stderr one.
void setNotifier(std::shared_ptr<Notifier> notifier);
// Passes a message to the installed notifier.
void notifyUser(std::string_view text);
