#include "helpbar/LinkOpener.h"

#include "helpbar/HyperlinkError.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace custodia {

namespace {

constexpr int kOpened = 33;
// The opener normally hands the link on and ends at once; one that keeps running has started a
// program of its own, which counts as opened. Long enough for a slow desktop, short enough that the
// console is not left waiting.
constexpr int kOpenerStartTimeout = 3000; // milliseconds
constexpr int kOpenerFinishTimeout = 3000;

const QStringList kTargetCodes { QStringLiteral("%u"), QStringLiteral("%U"), QStringLiteral("%f"),
    QStringLiteral("%F") };

bool HoldsTargetCode(const QString& token)
{
    for (const QString& code : kTargetCodes) {
        if (token.contains(code))
            return true;
    }
    return false;
}

// Field codes other than the target's stand for the icon, the name or the entry's file, which the
// console does not hand on; "%%" is a plain percent sign.
QString WithoutFieldCodes(const QString& token)
{
    QString plain;
    for (qsizetype i = 0; i < token.size(); ++i) {
        if (token[i] == QLatin1Char('%') && i + 1 < token.size()) {
            if (token[i + 1] == QLatin1Char('%'))
                plain += QLatin1Char('%');
            ++i;
            continue;
        }
        plain += token[i];
    }
    return plain;
}

// Runs the desktop's opener and waits a little for its verdict.
bool OpenWithDesktopOpener(const QString& target)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    // Owned by the application, so that an opener still running when the wait ends is not killed.
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(opener, { target });
    if (!process->waitForStarted(kOpenerStartTimeout)) {
        process->deleteLater();
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool finished = process->waitForFinished(kOpenerFinishTimeout);
    QApplication::restoreOverrideCursor();
    if (!finished)
        return true;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

// The value of a key in the "[Default Applications]" group of a mimeapps.list file.
QString DefaultApplicationIn(const QString& listFile, const QString& mimeType)
{
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inDefaults = false;
    const QString key = mimeType + QLatin1Char('=');
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inDefaults = line == QLatin1String("[Default Applications]");
        else if (inDefaults && line.startsWith(key))
            return line.mid(key.size()).section(QLatin1Char(';'), 0, 0).trimmed();
    }
    return {};
}

QString ExecLineOf(const QString& desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

QStringList MimeAppsLists()
{
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists.append(folder + QStringLiteral("/mimeapps.list"));
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        lists.append(folder + QStringLiteral("/mimeapps.list"));
        lists.append(folder + QStringLiteral("/defaults.list"));
    }
    return lists;
}

} // namespace

QStringList BrowserCommand(const QString& execLine, const QString& target)
{
    QStringList command;
    bool placed = false;
    for (const QString& token : QProcess::splitCommand(execLine)) {
        if (HoldsTargetCode(token)) {
            command.append(target);
            placed = true;
            break;
        }
        const QString plain = WithoutFieldCodes(token);
        if (!plain.isEmpty())
            command.append(plain);
    }
    if (command.isEmpty() || (placed && command.size() == 1))
        return {};
    if (!placed)
        command.append(target);
    return command;
}

QString DefaultBrowserExecLine()
{
    for (const QString& mimeType : { QStringLiteral("x-scheme-handler/http"), QStringLiteral("text/html") }) {
        for (const QString& list : MimeAppsLists()) {
            const QString entry = DefaultApplicationIn(list, mimeType);
            if (entry.isEmpty())
                continue;
            const QString desktopFile = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
            if (!desktopFile.isEmpty())
                return ExecLineOf(desktopFile);
        }
    }
    return {};
}

int OpenLinkOnDesktop(const QString& target)
{
    if (OpenWithDesktopOpener(target))
        return kOpened;
    const QString execLine = DefaultBrowserExecLine();
    if (execLine.isEmpty())
        return kLinkNoAssociation;
    QStringList command = BrowserCommand(execLine, target);
    if (command.isEmpty())
        return kLinkAssociationIncomplete;
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command) ? kOpened : kLinkFileNotFound;
}

} // namespace custodia
