#include "app/ListReadRetry.h"

#include "platform/File.h"
#include "platform/FileException.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <thread>
#include <utility>

namespace custodia {

namespace {

void RunOnOwnThread(std::function<void()> work)
{
    std::thread(std::move(work)).detach();
}

} // namespace

bool ReaderCanOpen(const std::string& fileName)
{
    File file;
    const int cause = file.OpenOnce(fileName, openflags::kRead | openflags::kShareDenyNone | openflags::kBinary);
    return cause == kCauseNone || cause == kCauseFileNotFound || cause == kCauseBadPath;
}

ListReadRetry::ListReadRetry(QObject* parent, Probe probe, Runner runner)
    : QObject(parent)
    , m_probe(probe ? std::move(probe) : Probe(ReaderCanOpen))
    , m_runner(runner ? std::move(runner) : Runner(RunOnOwnThread))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ListReadRetry::TryNow);
}

void ListReadRetry::Watch(const std::optional<NativePath>& fileName)
{
    if (fileName == m_fileName) {
        // The same file failed again (a read after a try got through, or F5): the next try waits longer.
        if (m_fileName && !m_tryRunning && !m_timer.isActive()) {
            m_delay = std::min(m_delay * 2, kLongestDelayMilliseconds);
            PlanNextTry();
        }
        return;
    }
    m_fileName = fileName;
    ++m_generation;
    m_delay = kFirstDelayMilliseconds;
    m_timer.stop();
    if (m_fileName)
        PlanNextTry();
}

void ListReadRetry::TryNow()
{
    if (!m_fileName || m_tryRunning)
        return;
    if (m_busy && m_busy()) {
        PlanNextTry();
        return;
    }
    m_tryRunning = true;
    m_timer.stop();
    QPointer<ListReadRetry> self(this);
    // What the try needs is copied: the window may be gone before a slow share answers.
    m_runner([probe = m_probe, fileName = m_fileName->Bytes(), generation = m_generation, self] {
        const bool free = probe(fileName);
        QCoreApplication* const application = QCoreApplication::instance();
        if (application == nullptr)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, generation, free] {
                if (self)
                    self->OnTried(generation, free);
            },
            Qt::QueuedConnection);
    });
}

void ListReadRetry::OnTried(uint64_t generation, bool free)
{
    m_tryRunning = false;
    if (generation != m_generation) {
        // Another file is tried meanwhile (or none): its own wait runs already.
        if (m_fileName && !m_timer.isActive())
            PlanNextTry();
        return;
    }
    // A dialog opened while the try ran: the list is read once it has closed.
    if (free && !(m_busy && m_busy())) {
        // Until the read says otherwise the file is not tried again; a read that fails again calls
        // Watch with the same file, which plans the next try.
        emit readable();
        return;
    }
    if (!free)
        m_delay = std::min(m_delay * 2, kLongestDelayMilliseconds);
    PlanNextTry();
}

void ListReadRetry::PlanNextTry()
{
    m_timer.start(m_delay);
}

} // namespace custodia
