#pragma once

#include "platform/NativePath.h"
#include "store/AuditTrailHold.h"
#include "store/UserImportPlan.h"
#include "words/Word.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class UiServices;

namespace custodia {

class BackgroundCall;
class UserImportTableModel;
class WordTable;

// "Import users": a list file (CSV or TSV, as custodiactl's "users export" writes it) is read and
// checked against the login path, and the dialog shows what the import would do, bad lines with their
// line numbers and reasons included, before anything is written. Apply runs the import as one change
// of "tessel.pwd", all or nothing, off the window's thread with its steps shown; Cancel before the
// write leaves the file as it was. Bad lines, and users changed by another program since the preview,
// keep it from writing.
class CImportUsersDialog final : public QDialog {
    Q_OBJECT

public:
    enum class FormatChoice { ByFileName, Csv, Tsv };
    enum class Outcome { None, Applied, Refused, Cancelled, Failed };

    CImportUsersDialog(const WordTable& words, UiServices& ui, const NativePath& loginPath, TrailOptions trail,
        QWidget* parent = nullptr);
    ~CImportUsersDialog() override;

    // Chooses the list file and shows its preview.
    void SetListFile(const QString& fileName);
    void SetOptions(const UserImportOptions& options);
    void SetFormatChoice(FormatChoice choice);
    // Reads the list and the login path again and shows what the import would do.
    void Preview();
    // Imports the previewed list; the dialog closes when it was applied.
    void Apply();

    const UserImportTableModel& PreviewModel() const { return *m_model; }
    QString SummaryText() const;
    bool CanApply() const;
    Outcome LastOutcome() const { return m_outcome; }
    // The calls the dialog reads and writes through: a test replaces their waits.
    BackgroundCall& Calls() const { return *m_calls; }

public slots:
    void reject() override;

private:
    struct ListRead {
        std::vector<ImportLine> lines;
        std::vector<ImportProblem> unreadable;
        std::optional<QString> error;
    };

    void CreateControls();
    void ChooseFile();
    UserImportOptions Options() const;
    // Runs on the worker: it touches no widget.
    ListRead ReadList(const std::string& fileName, FormatChoice choice) const;
    void ShowPlan(UserImportPlan plan);
    void ShowNoPlan(const QString& why);
    void SetBusy(bool busy);
    void SetStep(int step, const QString& text);
    QString Text(Word word) const;

    const WordTable& m_words;
    UiServices& m_ui;
    NativePath m_loginPath;
    TrailOptions m_trail;
    BackgroundCall* m_calls;
    UserImportTableModel* m_model;
    QSortFilterProxyModel* m_sorted;
    QLineEdit* m_file = nullptr;
    QPushButton* m_browse = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_existing = nullptr;
    QCheckBox* m_deleteMissing = nullptr;
    QCheckBox* m_allowNoPassword = nullptr;
    QPushButton* m_preview = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_step = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
    // The list as the preview read it: Apply imports these very lines.
    ListRead m_list;
    bool m_previewed = false;
    bool m_busy = false;
    Outcome m_outcome = Outcome::None;
};

} // namespace custodia
