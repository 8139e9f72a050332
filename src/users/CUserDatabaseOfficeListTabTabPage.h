#pragma once

#include "store/DatabaseList.h"
#include "store/UserEntry.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class UiServices;

namespace custodia {

class WordTable;

// One database's offices on the office-list page: the database folder, the switch that turns office
// selection on (written into bit 0 of the slot at once) and the 100 offices, whose ticks are written
// into bits 1..100 by ApplySelections. Slots 0..9 follow the database list; slot 10 stands for the
// database that is current in the suite's programs and has a folder of its own choosing.
class CUserDatabaseOfficeListTabTabPage final : public QWidget {
    Q_OBJECT

public:
    CUserDatabaseOfficeListTabTabPage(const WordTable& words, UiServices& ui, int slot, UserEntry& entry,
        const DatabaseList& databases, QWidget* parent = nullptr);

    // Shows the office names of the folder, ticked from the slot's bits.
    void FillOfficeList();
    void ApplySelections();

    int Slot() const { return m_slot; }
    QLineEdit& FolderField() const { return *m_folder; }
    QCheckBox& SelectionSwitch() const { return *m_switch; }
    QTreeWidget& OfficeList() const { return *m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSwitchClicked(bool on);
    void OnBrowse();
    void OnFolderTyped();
    bool RefillReportingErrors();

    const WordTable& m_words;
    UiServices& m_ui;
    int m_slot;
    UserEntry& m_entry;
    QLineEdit* m_folder = nullptr;
    QCheckBox* m_switch = nullptr;
    QPushButton* m_browse = nullptr;
    QTreeWidget* m_list = nullptr;
    QString m_shownFolder;
};

} // namespace custodia
