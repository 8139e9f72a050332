#pragma once

#include "ui/UiServices.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace custodia::test {

// Records every message box and answers it from a script; pickers return scripted choices. Each test
// hands its own to what it builds, so nothing leaks into the next test.
class FakeUiServices final : public UiServices {
public:
    struct Message {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
    };

    FakeUiServices() = default;
    FakeUiServices(const FakeUiServices&) = delete;
    FakeUiServices& operator=(const FakeUiServices&) = delete;

    Answer ShowMessage(QWidget*, const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        messages.push_back({ text, caption, icon, buttons });
        if (onMessage)
            onMessage(messages.back());
        if (answers.empty())
            return Answer::Ok;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString ChooseFile(QWidget*, const QString& caption, const QString& start, const QString& filter) override
    {
        pickers.push_back({ caption, start, filter });
        return Next(files);
    }
    QString ChooseSaveFile(
        QWidget*, const QString& caption, const QString& start, const QString& filter, QString*) override
    {
        pickers.push_back({ caption, start, filter });
        return Next(files);
    }
    QString ChooseFolder(QWidget*, const QString& caption, const QString& start) override
    {
        pickers.push_back({ caption, start, {} });
        return Next(folders);
    }
    int OpenLink(const QString& target) override
    {
        openedLinks.push_back(target);
        return openLinkResult;
    }

    // How a file or folder picker was opened: its title, where it started and its filter.
    struct Picker {
        QString caption;
        QString start;
        QString filter;
    };

    std::vector<Message> messages;
    std::vector<Picker> pickers;
    std::deque<Answer> answers; // answers to the next message boxes; OK when empty
    // Called as each message box shows, to see the window as the supervisor sees it then.
    std::function<void(const Message& message)> onMessage;
    std::deque<QString> files; // chosen files; cancelled when empty
    std::deque<QString> folders;
    QStringList openedLinks;
    int openLinkResult = 33;

private:
    static QString Next(std::deque<QString>& choices)
    {
        if (choices.empty())
            return {};
        QString choice = choices.front();
        choices.pop_front();
        return choice;
    }
};

} // namespace custodia::test
