#pragma once

#include "ui/UiServices.h"

// The services a person answers: Qt's message boxes and file dialogs, and the desktop's link opener.
class QtUiServices final : public UiServices {
public:
    Answer ShowMessage(
        QWidget* parent, const QString& text, const QString& caption, Icon icon, Buttons buttons) override;
    QString ChooseFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override;
    QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& start, const QString& filter,
        QString* chosenFilter) override;
    QString ChooseFolder(QWidget* parent, const QString& caption, const QString& folder) override;
    int OpenLink(const QString& target) override;
};
