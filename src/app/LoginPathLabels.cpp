#include "app/LoginPathLabels.h"

#include "ui/WordText.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace custodia {

namespace {

QStringList FolderNames(const NativePath& path)
{
    QString text = PathText(path);
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

QString LastFolders(const QStringList& folders, qsizetype count)
{
    return folders.mid(std::max<qsizetype>(0, folders.size() - count)).join(QLatin1Char('/'));
}

} // namespace

std::vector<QString> LoginPathLabels(const std::vector<NativePath>& paths)
{
    std::vector<QStringList> folders;
    std::vector<qsizetype> depth(paths.size(), 1);
    for (const NativePath& path : paths)
        folders.push_back(FolderNames(path));

    std::vector<QString> labels(paths.size());
    // Lengthen every label that equals another until none do or the folders run out.
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t i = 0; i < paths.size(); ++i)
            labels[i] = folders[i].isEmpty() ? PathText(paths[i]) : LastFolders(folders[i], depth[i]);
        for (size_t i = 0; i < paths.size(); ++i) {
            for (size_t j = 0; j < paths.size(); ++j) {
                if (i == j || labels[i].compare(labels[j], Qt::CaseInsensitive) != 0)
                    continue;
                if (depth[i] < folders[i].size()) {
                    ++depth[i];
                    changed = true;
                }
            }
        }
    }
    // Alike to the end (the same folders in other letters, or one listed twice): the full texts differ.
    std::vector<QString> shortLabels = labels;
    for (size_t i = 0; i < paths.size(); ++i) {
        for (size_t j = 0; j < paths.size(); ++j) {
            if (i != j && shortLabels[i].compare(shortLabels[j], Qt::CaseInsensitive) == 0)
                labels[i] = PathText(paths[i]);
        }
    }
    return labels;
}

LoginPathProblem CheckLoginPathFolder(const NativePath& path)
{
    // An empty login path is the current folder, as it is for the store.
    const QFileInfo folder(path.IsEmpty() ? QStringLiteral(".") : PathText(path));
    if (!folder.exists())
        return LoginPathProblem::Missing;
    if (!folder.isDir())
        return LoginPathProblem::NotAFolder;
    if (!folder.isReadable() || !folder.isExecutable())
        return LoginPathProblem::Unreadable;
    return LoginPathProblem::None;
}

} // namespace custodia
