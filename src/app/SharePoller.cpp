#include "app/SharePoller.h"

#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/PasswordFile.h"
#include "store/ProgramIndex.h"

#include <QCoreApplication>
#include <QPointer>

#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace custodia {

namespace {

std::vector<std::string> SharedFilesOf(const NativePath& loginPath)
{
    std::vector<std::string> files { JoinPath(loginPath.Bytes(), passwordfile::kFileName),
        JoinPath(loginPath.Bytes(), databaselist::kFileName) };
    for (const ProfileFile& profile : kProfileFiles)
        files.push_back(JoinPath(loginPath.Bytes(), profile.fileName));
    return files;
}

std::optional<FileSystemKind> SystemKindOf(const std::string& folder)
{
    const std::optional<FileSystemType> type = FileSystemOf(folder);
    return type ? std::optional<FileSystemKind>(type->kind) : std::nullopt;
}

void RunOnOwnThread(std::function<void()> round)
{
    std::thread(std::move(round)).detach();
}

} // namespace

std::optional<FileStamp> StatFileStamp(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileStamp { static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_size),
        static_cast<long long>(info.st_mtim.tv_sec), static_cast<long long>(info.st_mtim.tv_nsec),
        static_cast<long long>(info.st_ctim.tv_sec), static_cast<long long>(info.st_ctim.tv_nsec) };
}

SharePoller::SharePoller(QObject* parent, StatFunction stat, KindFunction kind, RoundRunner runner)
    : QObject(parent)
    , m_stat(stat ? std::move(stat) : StatFunction(StatFileStamp))
    , m_kind(kind ? std::move(kind) : KindFunction(SystemKindOf))
    , m_runner(runner ? std::move(runner) : RoundRunner(RunOnOwnThread))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SharePoller::RunRound);
}

void SharePoller::Watch(const NativePath& loginPath)
{
    if (loginPath == m_loginPath && (m_polling || m_roundRunning))
        return;
    m_loginPath = loginPath;
    ++m_generation;
    m_stamps.reset();
    m_polling = !loginPath.IsEmpty();
    m_timer.stop();
    // The first round learns the file system and the files' stamps at once, so the change that
    // comes soonest is already seen.
    if (m_polling && !m_roundRunning)
        RunRound();
}

void SharePoller::SetWindowActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    // Back in front, the console looks at once rather than after the long wait.
    if (active && m_polling && !m_roundRunning) {
        m_timer.stop();
        RunRound();
    }
}

void SharePoller::RunRound()
{
    if (!m_polling || m_roundRunning)
        return;
    if (m_busy && m_busy()) {
        PlanNextRound();
        return;
    }
    m_roundRunning = true;
    m_timer.stop(); // the next round is planned when this one comes back
    const RoundResult request { m_generation, true, {} };
    const std::string folder = m_loginPath.Bytes();
    QPointer<SharePoller> self(this);
    // What the round needs is copied: the poller may be gone before a slow share answers.
    m_runner([request, folder, files = SharedFilesOf(m_loginPath), stat = m_stat, kind = m_kind, self] {
        RoundResult result = request;
        const std::optional<FileSystemKind> found = kind(folder);
        result.poll = !found || !NotificationSeesOtherMachines(*found);
        if (result.poll) {
            for (const std::string& file : files)
                result.stamps[file] = stat(file);
        }
        // A round that comes back after the program ended has nobody to tell.
        QCoreApplication* const application = QCoreApplication::instance();
        if (application == nullptr)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, result] {
                if (self)
                    self->OnRoundDone(result);
            },
            Qt::QueuedConnection);
    });
}

void SharePoller::OnRoundDone(const RoundResult& result)
{
    m_roundRunning = false;
    if (result.generation != m_generation) {
        // Another login path was shown meanwhile: its own first round starts now.
        if (m_polling)
            RunRound();
        return;
    }
    if (!result.poll) {
        m_polling = false; // the kernel's notification hears every change there
        return;
    }
    const bool moved = m_stamps && *m_stamps != result.stamps;
    m_stamps = result.stamps;
    PlanNextRound();
    if (moved)
        emit changed();
}

void SharePoller::PlanNextRound()
{
    m_timer.start(Interval());
}

} // namespace custodia
