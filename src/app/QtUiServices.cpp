#include "app/QtUiServices.h"

#include "helpbar/LinkOpener.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(UiServices::Icon icon)
{
    switch (icon) {
    case UiServices::Icon::Information:
        return QMessageBox::Information;
    case UiServices::Icon::Warning:
        return QMessageBox::Warning;
    case UiServices::Icon::Critical:
        return QMessageBox::Critical;
    case UiServices::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

UiServices::Answer QtUiServices::ShowMessage(
    QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    QMessageBox box(ToQtIcon(icon), caption, text,
        buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    if (buttons == Buttons::OkCancelDefaultCancel)
        box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

QString QtUiServices::ChooseFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtUiServices::ChooseSaveFile(
    QWidget* parent, const QString& caption, const QString& start, const QString& filter, QString* chosenFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, start, filter, chosenFilter);
}

QString QtUiServices::ChooseFolder(QWidget* parent, const QString& caption, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

int QtUiServices::OpenLink(const QString& target)
{
    return custodia::OpenLinkOnDesktop(target);
}
