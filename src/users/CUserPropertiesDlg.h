#pragma once

#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QTabWidget;
class UiServices;

namespace custodia {

class CUserDatabaseOfficeListTabPage;
class CUserDatabasePropertiesTabPage;
class CUserGeneralPropertiesTabPage;
class CUserGroupPropertiesTabPage;
class WordTable;

// Creates or edits one user: general data, group, databases and offices on four pages. The pages edit
// a working copy; only a successful OK copies it over the caller's entry. The dialog writes no file:
// the caller stores the entry.
class CUserPropertiesDlg final : public QDialog {
    Q_OBJECT

public:
    enum PageIndex { kGeneralPage = 0, kGroupPage = 1, kDatabasePage = 2, kOfficeListPage = 3 };
    // True when another user already holds the name; OK is then refused and the dialog stays open.
    using NameCheck = std::function<bool(const std::string& userName)>;

    CUserPropertiesDlg(const WordTable& words, UiServices& ui, UserEntry& user, const std::vector<GroupEntry>& groups,
        const DatabaseList& databases, QWidget* parent = nullptr);
    ~CUserPropertiesDlg() override;

    void SetNameCheck(NameCheck check) { m_nameCheck = std::move(check); }

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

    const WordTable& m_words;
    UiServices& m_ui;
    UserEntry& m_target;
    UserEntry m_copy;
    NameCheck m_nameCheck;
    QTabWidget* m_tabs = nullptr;
    CUserGeneralPropertiesTabPage* m_general = nullptr;
    CUserGroupPropertiesTabPage* m_group = nullptr;
    CUserDatabasePropertiesTabPage* m_database = nullptr;
    CUserDatabaseOfficeListTabPage* m_officeList = nullptr;
};

} // namespace custodia
