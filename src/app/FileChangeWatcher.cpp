#include "app/FileChangeWatcher.h"

#include "ui/WordText.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <utility>

namespace custodia {

namespace {

// The shared files of a login path that the item list shows.
const QStringList kSharedFilePatterns
    = { QStringLiteral("tessel.pwd"), QStringLiteral("tessel.dbs"), QStringLiteral("*.prf") };

} // namespace

FileChangeWatcher::FileChangeWatcher(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultDebounceMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &FileChangeWatcher::Report);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileChangeWatcher::OnFileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileChangeWatcher::OnDirectoryChanged);
}

void FileChangeWatcher::Watch(const QString& configFile, const NativePath& loginPath)
{
    const QFileInfo config(configFile);
    m_configFile = config.absoluteFilePath();
    m_configFolder = config.absolutePath();
    m_configExisted = config.exists();
    m_loginPath = AbsoluteLoginPath(loginPath);

    QStringList paths;
    if (m_configExisted)
        paths.append(m_configFile);
    else
        paths.append(m_configFolder); // to see the file appear
    m_loginPathFiles = SharedFilesOf(m_loginPath);
    // Files the note does not cover (another login path came on screen) count as they stand now.
    const std::optional<Note> note = std::exchange(m_note, std::nullopt);
    m_configStamps = note && note->configFile == m_configFile ? note->configStamps : StampsOf({ m_configFile });
    m_loginPathStamps = note && note->loginPath == m_loginPath ? note->loginPathStamps : StampsOf(m_loginPathFiles);
    WatchPaths(paths + m_loginPathFiles);
}

void FileChangeWatcher::NoteBeforeRead(const QString& configFile, const NativePath& loginPath)
{
    if (m_note)
        return;
    Note note { QFileInfo(configFile).absoluteFilePath(), AbsoluteLoginPath(loginPath), {}, {} };
    note.configStamps = StampsOf({ note.configFile });
    note.loginPathStamps = StampsOf(SharedFilesOf(note.loginPath));
    m_note = std::move(note);
}

QString FileChangeWatcher::AbsoluteLoginPath(const NativePath& loginPath)
{
    return loginPath.IsEmpty() ? QString() : QFileInfo(PathText(loginPath)).absoluteFilePath();
}

// The folder, for files made or removed, and the shared files in it.
QStringList FileChangeWatcher::SharedFilesOf(const QString& loginPath)
{
    QStringList files;
    if (loginPath.isEmpty() || !QFileInfo(loginPath).isDir())
        return files;
    files.append(loginPath);
    const QDir folder(loginPath);
    for (const QString& name : folder.entryList(kSharedFilePatterns, QDir::Files))
        files.append(folder.filePath(name));
    return files;
}

FileChangeWatcher::Stamps FileChangeWatcher::StampsOf(const QStringList& paths)
{
    Stamps stamps;
    for (const QString& path : paths) {
        struct stat status { };
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        stamps[path] = Stamp { status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec,
            status.st_ctim.tv_sec, status.st_ctim.tv_nsec };
    }
    return stamps;
}

bool FileChangeWatcher::ChangedSinceWatch(bool config) const
{
    if (config)
        return StampsOf({ m_configFile }) != m_configStamps;
    // A file made since is seen through the folder's own times.
    return StampsOf(m_loginPathFiles) != m_loginPathStamps;
}

void FileChangeWatcher::WatchPaths(const QStringList& paths)
{
    QStringList obsolete = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString& path : paths) {
        if (!obsolete.removeOne(path))
            added.append(path);
    }
    if (!obsolete.isEmpty())
        m_watcher.removePaths(obsolete);
    if (!added.isEmpty())
        m_watcher.addPaths(added);
}

void FileChangeWatcher::OnFileChanged(const QString& path)
{
    if (path == m_configFile)
        m_configPending = true;
    else
        m_loginPathPending = true;
    m_timer.start();
}

void FileChangeWatcher::OnDirectoryChanged(const QString& path)
{
    if (path == m_loginPath) {
        m_loginPathPending = true;
        m_timer.start();
    }
    // The configuration's folder is watched only while the file is missing; other files come and go
    // there (the error log), so only the file's arrival counts.
    if (path == m_configFolder && QFileInfo::exists(m_configFile) != m_configExisted) {
        m_configPending = true;
        m_timer.start();
    }
}

void FileChangeWatcher::Report()
{
    if (QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr
        || (m_busy && m_busy())) {
        m_timer.start();
        return;
    }
    const bool config = std::exchange(m_configPending, false) && ChangedSinceWatch(true);
    const bool loginPath = std::exchange(m_loginPathPending, false) && ChangedSinceWatch(false);
    // A new list of login paths rebuilds the tree, which reloads the list as well.
    if (config)
        emit configChanged();
    else if (loginPath)
        emit loginPathChanged();
}

} // namespace custodia
