#include "display/qt/QtApplicationThread.h"

#include "platform/Thread.h"

#include <QApplication>
#include <QMetaObject>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace vidrune {

// The process's Qt thread and what it shares with the threads that ask it for an
// application. Made once and never destroyed, like the thread it runs.
class QtApplicationThread::Host {
public:
    enum class Phase { Idle, Starting, Running, Stopping };

    static Host& Process() {
        // Deliberately never destroyed: the parked thread waits on it until the process ends.
        static Host* const host = new Host;
        return *host;
    }

    // False when another application still runs, or this one did not come up in time.
    bool Start(const std::string& platform, uint32_t timeoutMs) {
        std::unique_lock guard(lock_);
        if (phase_ != Phase::Idle)
            return false;
        // A thread the system refused before is asked for again.
        if (!thread_->Started())
            thread_ = std::make_unique<platform::Thread>([this] { Serve(); });
        if (!thread_->Started())
            return false;
        arguments_ = {"vidrune"};
        if (!platform.empty()) {
            arguments_.push_back("-platform");
            arguments_.push_back(platform);
        }
        quitRequested_ = false;
        phase_ = Phase::Starting;
        changed_.notify_all();
        if (changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                              [this] { return phase_ != Phase::Starting; }))
            return app_ != nullptr;
        // Too late: the application ends as soon as it comes up.
        quitRequested_ = true;
        return false;
    }

    bool Stop(uint32_t timeoutMs) {
        std::unique_lock guard(lock_);
        if (phase_ == Phase::Idle)
            return true;
        quitRequested_ = true;
        if (app_ != nullptr)
            QMetaObject::invokeMethod(
                app_, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                 [this] { return phase_ == Phase::Idle; });
    }

    bool Running() const {
        std::lock_guard guard(lock_);
        return app_ != nullptr;
    }

    std::string PlatformName() const {
        std::lock_guard guard(lock_);
        return platformName_;
    }

private:
    Host() : thread_(std::make_unique<platform::Thread>([this] { Serve(); })) {}

    [[noreturn]] void Serve() {
        for (;;) {
            std::vector<std::string> arguments;
            {
                std::unique_lock guard(lock_);
                changed_.wait(guard, [this] { return phase_ == Phase::Starting; });
                arguments = arguments_;
            }
            RunApplication(arguments);
        }
    }

    static std::string ProcessLocale() {
        const char* name = std::setlocale(LC_ALL, nullptr);
        return name != nullptr ? name : "C";
    }

    void RunApplication(std::vector<std::string>& arguments) {
        // QApplication keeps argc and argv for its whole life.
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(arguments.size());
        {
            const std::string hostLocale = ProcessLocale();
            QApplication application(argc, argv.data());
            // QApplication applies the environment's locale to the whole process. A host that
            // kept the "C" locale would then write and read its own numbers with, say, a
            // German decimal comma; Qt's own texts take the locale from the environment.
            std::setlocale(LC_ALL, hostLocale.c_str());
            application.setQuitOnLastWindowClosed(false);
            bool quit = false;
            {
                std::lock_guard guard(lock_);
                app_ = &application;
                platformName_ = QGuiApplication::platformName().toStdString();
                phase_ = Phase::Running;
                quit = quitRequested_;
                changed_.notify_all();
            }
            // A stop that came before the loop ran must still end it.
            if (!quit)
                QApplication::exec();
            std::lock_guard guard(lock_);
            app_ = nullptr;
            phase_ = Phase::Stopping;
        }
        std::lock_guard guard(lock_);
        phase_ = Phase::Idle;
        changed_.notify_all();
    }

    mutable std::mutex lock_;
    std::condition_variable changed_;
    Phase phase_ = Phase::Idle;
    bool quitRequested_ = false;
    QApplication* app_ = nullptr;
    std::string platformName_;
    std::vector<std::string> arguments_;
    std::unique_ptr<platform::Thread> thread_;
};

QtApplicationThread::QtApplicationThread(const std::string& platform) : host_(Host::Process()) {
    started_ = host_.Start(platform, kStartTimeoutMs);
}

QtApplicationThread::~QtApplicationThread() {
    Stop(kStopTimeoutMs);
}

bool QtApplicationThread::Running() const {
    return started_ && host_.Running();
}

std::string QtApplicationThread::PlatformName() const {
    return started_ ? host_.PlatformName() : std::string();
}

bool QtApplicationThread::Stop(uint32_t timeoutMs) {
    if (!started_)
        return true;
    if (!host_.Stop(timeoutMs))
        return false;
    started_ = false;
    return true;
}

} // namespace vidrune
