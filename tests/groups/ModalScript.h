#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace custodia::test {

// Drives the modal dialogs that the code under test opens one inside another: each step waits until a
// dialog of its class is the visible modal window, then acts on it. An action that opens another modal
// dialog must press its button queued (QMetaObject::invokeMethod with Qt::QueuedConnection), so that
// the script goes on inside that dialog's event loop. A step that never comes up fails the test and
// every modal dialog is then rejected, so that no test hangs.
class ModalScript final {
public:
    using Action = std::function<void(QWidget*)>;

    ModalScript()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(1);
        m_sinceProgress.start();
    }

    ModalScript& Then(const char* className, Action action)
    {
        m_steps.push_back({ className, std::move(action) });
        return *this;
    }

    bool Finished() const { return m_next == m_steps.size(); }

private:
    struct Step {
        std::string className;
        Action action;
    };

    static constexpr qint64 kGiveUpMilliseconds = 20000;

    void Tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_gaveUp) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (Finished())
            return;
        const Step& step = m_steps[m_next];
        if (modal != nullptr && modal->isVisible() && step.className == modal->metaObject()->className()) {
            ++m_next;
            m_sinceProgress.restart();
            step.action(modal);
            return;
        }
        if (m_sinceProgress.elapsed() > kGiveUpMilliseconds) {
            ADD_FAILURE() << "step " << m_next << " never saw a " << step.className;
            m_gaveUp = true;
        }
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_gaveUp = false;
    QTimer m_timer;
    QElapsedTimer m_sinceProgress;
};

} // namespace custodia::test
