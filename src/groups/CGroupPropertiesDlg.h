#pragma once

#include "store/AuditTrailHold.h"
#include "store/GroupEntry.h"
#include "store/RightsTable.h"
#include "ui/HistoryOpener.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class UiServices;

namespace custodia {

class BackgroundCall;
class CGroupPropertiesTabPage;
class CSaveProfileAsDialog;
class WordTable;
struct ProfileWriteResult;

// Edits one group of a login path: its name and its rights in every program, on fourteen pages. Unlike
// the user dialog it writes the store itself: Save writes the group into the twelve profile files and
// closes; Save As writes a copy elsewhere and stays open; Cancel writes nothing more. A save that
// fails is reported with the files it could not write, and the dialog stays open to try again.
class CGroupPropertiesDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPageCount = 14;

    // The group's number and name are copied: the caller's list may be reloaded while the dialog is
    // open. The managed login paths are the places a copy can go. The files are read and written
    // through the calls, off the window's thread, when there are any.
    CGroupPropertiesDlg(const WordTable& words, UiServices& ui, const std::string& loginPath, const GroupEntry& group,
        std::vector<std::string> managedLoginPaths, QWidget* parent, BackgroundCall* calls = nullptr);
    ~CGroupPropertiesDlg() override;

    // Run after every save, a copy's included, so that a list of the dialog's own login path shows
    // what is stored.
    void SetGroupsSavedHandler(std::function<void()> handler) { m_groupsSaved = std::move(handler); }
    // Asked before the group itself is saved (not a copy elsewhere), with whether it keeps the
    // console's own right; false keeps the dialog open with nothing written.
    // Who the saves' trail lines name.
    void SetTrailOptions(TrailOptions trail) { m_trail = std::move(trail); }
    void SetSaveCheck(std::function<bool(bool keepsConsoleRight)> check) { m_saveCheck = std::move(check); }
    // Offers the history of the group, when it was stored before the dialog opened.
    void SetHistoryOpener(HistoryOpener opener);

    // Stores every page's ticks and writes the group into all twelve profile files of the login path.
    // False, after saying which files could not be written, unless all twelve were.
    bool SaveProfile(const std::string& loginPath, uint8_t groupNumber, const std::string& name);

    CGroupPropertiesTabPage* Page(int index) const { return m_pages.at(static_cast<size_t>(index)); }
    QTabWidget* Tabs() const { return m_tabs; }
    QListWidget* PageList() const { return m_pageList; }

    void accept() override;

private:
    QLayout* MakeSearchRow();
    QLayout* MakePagesRow();
    QLayout* MakeButtonRow();
    void OnSearchChanged(const QString& text);
    void OnInvertSelections();
    void OnSaveAs();
    bool ConfirmReplacing(const std::string& loginPath, uint8_t groupNumber);
    bool ConfirmRecreating();
    // The group as the profile files hold it, or nothing when none holds it.
    std::optional<std::pair<std::string, RightsTable>> StoredGroup(
        const std::string& loginPath, uint8_t groupNumber) const;
    std::optional<RightsTable> StoredRights(const std::string& loginPath, uint8_t groupNumber) const;
    std::optional<std::string> StoredName(const std::string& loginPath, uint8_t groupNumber) const;
    void ReportFailedSave(const ProfileWriteResult& result);

    const WordTable& m_words;
    UiServices& m_ui;
    const std::string m_loginPath;
    const uint8_t m_groupNumber;
    const std::vector<std::string> m_managedLoginPaths;
    BackgroundCall* m_calls;
    RightsTable m_openedRights; // as loaded when the dialog opened
    bool m_storedWhenOpened = false;
    RightsTable m_rights; // as the pages' ticks make it
    std::function<void()> m_groupsSaved;
    TrailOptions m_trail = ProcessTrailOptions();
    std::function<bool(bool)> m_saveCheck;
    HistoryOpener m_historyOpener;
    QPushButton* m_historyButton = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_pageList = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<CGroupPropertiesTabPage*, kPageCount> m_pages {};
};

} // namespace custodia
