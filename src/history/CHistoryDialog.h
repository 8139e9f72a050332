#pragma once

#include "history/TrailFilterProxy.h"
#include "platform/NativePath.h"

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QTableView;

namespace custodia {

class BackgroundCall;
class TrailTableModel;
class WordTable;

// The trail of one login path, newest line first, filtered by user, object, action and time, with
// whether its chain verifies; the rows shown can be exported as CSV. The trail is read off the
// window's thread.
class CHistoryDialog final : public QDialog {
    Q_OBJECT

public:
    CHistoryDialog(const WordTable& words, const NativePath& loginPath, BackgroundCall* calls, QWidget* parent);
    ~CHistoryDialog() override;

    // Reads the trail again and shows it; the filters stay.
    void Reload();
    // Shows only one object's lines ("user ann", "group 004"), as its properties dialog asks.
    void ShowObject(const QString& object);
    // Writes the rows shown, header first, as CSV; false (and the message shown) when it cannot.
    bool ExportCsv(const QString& fileName);
    // Asks where to export; a test answers without a file dialog.
    void SetFileChooser(std::function<QString()> choose) { m_chooseFile = std::move(choose); }

    const TrailFilterProxy& Rows() const { return *m_proxy; }
    QString ChainText() const;

private:
    void CreateControls();
    void FillActions();
    void SetRangeToTrail();
    void ApplyRange();
    void ChooseAndExport();

    const WordTable& m_words;
    NativePath m_loginPath;
    BackgroundCall* m_calls;
    TrailTableModel* m_trail;
    TrailFilterProxy* m_proxy;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_object = nullptr;
    QComboBox* m_action = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_chain = nullptr;
    std::function<QString()> m_chooseFile;
};

} // namespace custodia
