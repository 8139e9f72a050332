#pragma once

#include "helpbar/CHelpBar.h"
#include "helpbar/HelpTextView.h"
#include "support/TempDir.h"
#include "words/LanguageFile.h"
#include "words/WordTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace custodia::test {

inline const std::string kTestHelpBase = "Test Help";
inline const std::string kMarkerLine = "<BRENIC HELP FILE> test\n";

// Forgets what an earlier test's help bar remembered (the settings live in the test folder of
// QStandardPaths, never in the user's own).
inline void ForgetHelpBarSettings()
{
    const QString application = QCoreApplication::applicationName();
    const QString organisation
        = QCoreApplication::organizationName().isEmpty() ? application : QCoreApplication::organizationName();
    QSettings(QSettings::UserScope, organisation, application).remove(QStringLiteral("helpBar"));
}

// A help bar in a main window of its own, over help files written into a fresh current folder. The
// word table reads its language file from that folder and its words from the installed English files.
class HelpBarFixture : public ::testing::Test {
protected:
    HelpBarFixture()
        : m_cwd(m_dir.path())
    {
        ForgetHelpBarSettings();
        m_frame.setCentralWidget(new QWidget);
        m_frame.resize(900, 600);
    }

    ~HelpBarFixture() override
    {
        m_bar.reset();
        ForgetHelpBarSettings();
    }

    void WriteHelp(const std::string& extension, const std::string& lines)
    {
        WriteText(m_dir.file(kTestHelpBase + "." + extension), kMarkerLine + lines);
    }

    void SetLanguage(const std::string& extension)
    {
        const auto bytes = BuildLanguageFile({ "Test", extension });
        WriteBytes(m_dir.file(languagefile::kFileName), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    }

    void LoadWords()
    {
        m_words = std::make_unique<WordTable>(m_dir.path());
        for (const WordFamily& family : ConsoleWordFamilies())
            m_words->LoadWordFile(std::string(CUSTODIA_OUTPUT_DIR), family.stem, family.base, family.count);
    }

    QString W(Word word) const { return QString::fromStdString(m_words->GetWord(word)); }

    void OpenBar()
    {
        if (!m_words)
            LoadWords();
        m_bar = std::make_unique<CHelpBar>(*m_words, m_frame, kTestHelpBase);
        m_frame.addDockWidget(Qt::RightDockWidgetArea, m_bar.get());
        m_frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
    }

    template <typename T> T& Child(const char* name) const
    {
        T* child = m_bar->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return *child;
    }
    QListWidget& Contents() const { return Child<QListWidget>("contentsList"); }
    QListWidget& Hits() const { return Child<QListWidget>("hitList"); }
    HelpTextView& Text() const { return Child<HelpTextView>("helpText"); }
    QTabWidget& Tabs() const { return Child<QTabWidget>("helpTabs"); }

    static QStringList Rows(const QListWidget& list)
    {
        QStringList rows;
        for (int i = 0; i < list.count(); ++i)
            rows.append(list.item(i)->text());
        return rows;
    }

    // The shown text of a range of the help text.
    QString TextAt(int position, int length) const { return Text().document()->toPlainText().mid(position, length); }

    void Search(const QString& text) const
    {
        Child<QLineEdit>("searchBox").setText(text);
        m_bar->Search();
    }

    static void DoubleClick(QListWidget& list, int row)
    {
        list.scrollToItem(list.item(row));
        const QRect rect = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    std::unique_ptr<WordTable> m_words;
    QMainWindow m_frame;
    std::unique_ptr<CHelpBar> m_bar;
};

} // namespace custodia::test
