#include "helpbar/HelpBarSettings.h"

#include <QCoreApplication>
#include <QSettings>

#include <algorithm>

#include <memory>

namespace custodia {

namespace {

const char kShownKey[] = "helpBar/shown";
const char kWidthKey[] = "helpBar/width";

// Without an organisation name the application's own name stands in, so the settings still get a
// folder of their own.
std::unique_ptr<QSettings> OpenSettings()
{
    const QString application = QCoreApplication::applicationName();
    QString organisation = QCoreApplication::organizationName();
    if (organisation.isEmpty())
        organisation = application;
    return std::make_unique<QSettings>(QSettings::UserScope, organisation, application);
}

} // namespace

bool RememberedHelpBarShown()
{
    return OpenSettings()->value(kShownKey, true).toBool();
}

void RememberHelpBarShown(bool shown)
{
    OpenSettings()->setValue(kShownKey, shown);
}

int RememberedHelpBarWidth()
{
    return std::max(0, OpenSettings()->value(kWidthKey, 0).toInt());
}

void RememberHelpBarWidth(int width)
{
    OpenSettings()->setValue(kWidthKey, width);
}

} // namespace custodia
