#pragma once

#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"
#include "ui/HistoryOpener.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QPushButton;
class QTabWidget;
class UiServices;

namespace custodia {

class CUserDatabaseOfficeListTabPage;
class CUserDatabasePropertiesTabPage;
class CUserGeneralPropertiesTabPage;
class CUserGroupPropertiesTabPage;
class WordTable;

// Creates or edits one user: general data, group, databases and offices on four pages. The pages edit
// a working copy; only a successful OK copies it over the caller's entry. The dialog writes no file
// itself: the caller's save function stores the entry while the dialog is still open, so that a save
// that failed leaves the supervisor's edits in place to try again.
class CUserPropertiesDlg final : public QDialog {
    Q_OBJECT

public:
    enum PageIndex { kGeneralPage = 0, kGroupPage = 1, kDatabasePage = 2, kOfficeListPage = 3 };
    // True when another user already holds the name; OK is then refused and the dialog stays open.
    using NameCheck = std::function<bool(const std::string& userName)>;
    // Stores the edited entry, with the dialog as the parent of any message. True when the dialog may
    // close (stored, or there is nothing left to store); false keeps it open with the edits.
    using Saver = std::function<bool(QWidget* dialog, const UserEntry& edited)>;

    CUserPropertiesDlg(const WordTable& words, UiServices& ui, UserEntry& user, const std::vector<GroupEntry>& groups,
        const DatabaseList& databases, QWidget* parent = nullptr);
    ~CUserPropertiesDlg() override;

    void SetNameCheck(NameCheck check) { m_nameCheck = std::move(check); }
    void SetSaver(Saver saver) { m_saver = std::move(saver); }
    // Offers the history of the user edited, when it was stored before the dialog opened.
    void SetHistoryOpener(HistoryOpener opener);

    QTabWidget& Tabs() const { return *m_tabs; }
    CUserGeneralPropertiesTabPage& GeneralPage() const { return *m_general; }
    CUserGroupPropertiesTabPage& GroupPage() const { return *m_group; }
    CUserDatabasePropertiesTabPage& DatabasePage() const { return *m_database; }
    CUserDatabaseOfficeListTabPage& OfficeListPage() const { return *m_officeList; }
    // The entry the pages edit.
    const UserEntry& WorkingCopy() const { return m_copy; }

    void accept() override;

private:
    void OnTabChanged(int index);
    bool IsNameRefused();
    bool ConfirmMissingGroup();

    const WordTable& m_words;
    UiServices& m_ui;
    UserEntry& m_target;
    UserEntry m_copy;
    const std::vector<GroupEntry>& m_groups;
    NameCheck m_nameCheck;
    Saver m_saver;
    HistoryOpener m_historyOpener;
    QPushButton* m_historyButton = nullptr;
    QTabWidget* m_tabs = nullptr;
    CUserGeneralPropertiesTabPage* m_general = nullptr;
    CUserGroupPropertiesTabPage* m_group = nullptr;
    CUserDatabasePropertiesTabPage* m_database = nullptr;
    CUserDatabaseOfficeListTabPage* m_officeList = nullptr;
};

} // namespace custodia
