#pragma once

#include "platform/NativePath.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace custodia {

// Tells the console when another program changed what it shows: the list of managed login paths
// ("custo.cfg") or the shared files of the login path on screen. Changes come in bursts (a writer
// touches several files, and rewrites one in steps), so they are gathered for a short while and
// reported once; while a dialog or a menu is open the report waits, as they work on the lists that
// a reload would replace. The console's own writes are not reported: every Watch notes how the files
// stood when the console last read them, and a burst after which they still stand so is dropped.
class FileChangeWatcher final : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultDebounceMilliseconds = 300;

    explicit FileChangeWatcher(QObject* parent = nullptr);

    // Watches the configuration file and the files of one login path (none when empty). Called again
    // after every reload: a writer that replaces a file ends the watch on the old one.
    void Watch(const QString& configFile, const NativePath& loginPath);
    // Notes how the files stand before the console reads them; the next Watch of the same files compares
    // with this note. The first note since the last Watch counts: a reload reads the configuration
    // first and the list after it.
    void NoteBeforeRead(const QString& configFile, const NativePath& loginPath);
    void SetDebounce(int milliseconds) { m_timer.setInterval(milliseconds); }
    // While this says the console is in the middle of its file work, reports wait as they do for a
    // dialog: a reload started from inside a read or a change (a wait for a held file runs the event
    // loop) would read the files within it.
    void SetBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

signals:
    void configChanged();
    void loginPathChanged();

private:
    void OnFileChanged(const QString& path);
    void OnDirectoryChanged(const QString& path);
    void Report();
    void WatchPaths(const QStringList& paths);

    // Enough of a file's status to tell that something wrote it: inode, size, change and modification
    // times to the nanosecond. Absent files have no stamp.
    using Stamp = std::tuple<unsigned long long, long long, long long, long long, long long, long long>;
    using Stamps = std::map<QString, Stamp>;
    static Stamps StampsOf(const QStringList& paths);
    static QStringList SharedFilesOf(const QString& loginPath);
    static QString AbsoluteLoginPath(const NativePath& loginPath);
    bool ChangedSinceWatch(bool config) const;

    QFileSystemWatcher m_watcher;
    QTimer m_timer;
    QString m_configFile;
    QString m_configFolder;
    bool m_configExisted = false;
    QString m_loginPath;
    QStringList m_loginPathFiles; // the folder and its shared files, as last watched
    Stamps m_configStamps;
    Stamps m_loginPathStamps;
    bool m_configPending = false;
    bool m_loginPathPending = false;

    struct Note {
        QString configFile;
        QString loginPath;
        Stamps configStamps;
        Stamps loginPathStamps;
    };
    std::optional<Note> m_note;
    std::function<bool()> m_busy;
};

} // namespace custodia
