#include "display/qt/QtApplicationThread.h"

#include "platform/Event.h"
#include "platform/Thread.h"

#include <QApplication>
#include <QMetaObject>
#include <mutex>
#include <vector>

namespace vidrune {

// Everything the thread touches: it may outlive the object when it does not end in time.
struct QtApplicationThread::Shared {
    std::mutex lock;
    QApplication* app = nullptr;
    bool quitRequested = false;
    std::string platformName;
    platform::Event ready{platform::Event::Mode::ManualReset};
    // QApplication keeps argc and argv for its whole life.
    std::vector<std::string> arguments;
    std::vector<char*> argv;
    int argc = 0;

    void Run() {
        QApplication application(argc, argv.data());
        application.setQuitOnLastWindowClosed(false);
        {
            std::lock_guard guard(lock);
            app = &application;
            platformName = QGuiApplication::platformName().toStdString();
        }
        ready.Set();
        // A stop that came before the loop ran must still end it.
        if (!QuitRequested())
            QApplication::exec();
        std::lock_guard guard(lock);
        app = nullptr;
    }

    bool QuitRequested() {
        std::lock_guard guard(lock);
        return quitRequested;
    }
};

QtApplicationThread::QtApplicationThread(const std::string& platform)
    : shared_(std::make_shared<Shared>()) {
    shared_->arguments.push_back("vidrune");
    if (!platform.empty()) {
        shared_->arguments.push_back("-platform");
        shared_->arguments.push_back(platform);
    }
    for (std::string& argument : shared_->arguments)
        shared_->argv.push_back(argument.data());
    shared_->argv.push_back(nullptr);
    shared_->argc = static_cast<int>(shared_->arguments.size());
    std::shared_ptr<Shared> shared = shared_;
    thread_ = std::make_unique<platform::Thread>([shared] { shared->Run(); });
    shared_->ready.Wait(kStartTimeoutMs);
}

QtApplicationThread::~QtApplicationThread() {
    Stop(1000);
}

bool QtApplicationThread::Running() const {
    std::lock_guard guard(shared_->lock);
    return shared_->app != nullptr;
}

std::string QtApplicationThread::PlatformName() const {
    std::lock_guard guard(shared_->lock);
    return shared_->platformName;
}

bool QtApplicationThread::Stop(uint32_t timeoutMs) {
    {
        std::lock_guard guard(shared_->lock);
        shared_->quitRequested = true;
        if (shared_->app != nullptr)
            QMetaObject::invokeMethod(
                shared_->app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    }
    return thread_->Join(timeoutMs);
}

} // namespace vidrune
