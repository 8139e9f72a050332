#pragma once

#include "app/MainWindowFixture.h"
#include "ui/WordText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace custodia::test {

// Dialogs built directly over files made on disk in a fresh folder, with the installed words and the
// scripted UI services.
class UserDialogFixture : public ::testing::Test {
protected:
    UserDialogFixture()
        : m_platform([](int) {}, {})
        , m_words(LoadInstalledWords())
    {
    }

    QString W(Word word) const { return WordText(*m_words, word); }

    template <typename T> static T& Child(const QWidget& parent, const char* name)
    {
        T* child = parent.findChild<T*>(QLatin1String(name));
        if (child == nullptr)
            throw std::runtime_error(std::string("no child named ") + name);
        return *child;
    }

    void ExpectOneMessage(Word text, Word caption) const
    {
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, W(text));
        EXPECT_EQ(m_ui.messages[0].caption, W(caption));
        EXPECT_EQ(m_ui.messages[0].icon, UiServices::Icon::Critical);
        EXPECT_EQ(m_ui.messages[0].buttons, UiServices::Buttons::Ok);
    }

    static void Tick(QTreeWidgetItem& row, bool on = true) { row.setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }
    static bool IsTicked(const QTreeWidgetItem& row) { return row.checkState(0) == Qt::Checked; }

    TempDir m_dir;
    ScopedPlatformOverride m_platform;
    FakeUiServices m_ui;
    std::unique_ptr<WordTable> m_words;
};

// Runs the action on the modal dialog that the next call opens, from inside its event loop. A dialog
// that the action left open (a failed assertion) is cancelled, so the test ends instead of waiting.
inline void WhenDialogOpens(std::function<void(QDialog&)> action)
{
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no dialog opened";
        action(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

} // namespace custodia::test
