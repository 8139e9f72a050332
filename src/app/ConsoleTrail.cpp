#include "app/ConsoleTrail.h"

#include "platform/CodePage.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailLines.h"
#include "store/RightsCatalogue.h"
#include "ui/WordText.h"
#include "words/WordTable.h"

#include <QMetaObject>
#include <QPointer>
#include <QStatusBar>

namespace custodia {

namespace {

constexpr const char kConsoleProgram[] = "console";

} // namespace

std::string ConsoleRightName(const WordTable& words, int program, int position)
{
    for (const RightsPage& page : RightsPages()) {
        if (page.program != program)
            continue;
        for (const RightRow& right : page.rows) {
            const std::string& text = words.GetWord(right.labelWord);
            if (right.position == position && text != WordTable::kMissingWord)
                return StoredToUtf8(text);
        }
    }
    return {};
}

TrailOptions ConsoleTrailOptions(const WordTable& words, const std::string& consoleUser, QStatusBar* status)
{
    TrailOptions options;
    options.actor = CurrentActor(kConsoleProgram, StoredToUtf8(consoleUser));
    // The text is made here, on the worker thread, from values only: the bar may be gone by the time
    // the window's thread runs the post, and then nothing is shown.
    options.unlogged = [&words, bar = QPointer<QStatusBar>(status)](const Failure& failure) {
        const QString text
            = WordText(words, Word::UnloggedChangeStatus).arg(QString::fromStdString(DescribeFailure(failure)));
        QMetaObject::invokeMethod(
            bar.data(),
            [bar, text] {
                if (bar)
                    bar->showMessage(text);
            },
            Qt::QueuedConnection);
    };
    // A right no page shows keeps the services' own name (its file and position).
    options.rightName = [&words](int program, int position) {
        std::string name = ConsoleRightName(words, program, position);
        return name.empty() ? DefaultRightName(program, position) : name;
    };
    return options;
}

} // namespace custodia
