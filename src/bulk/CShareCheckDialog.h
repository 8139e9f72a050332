#pragma once

#include "platform/NativePath.h"
#include "platform/ShareCheck.h"
#include "words/Word.h"

#include <QDialog>

#include <optional>

class QLabel;
class QTableWidget;

namespace custodia {

class BackgroundCall;
class WordTable;

// "Check the share": what the login path's folder offers the suite's programs that share it (its
// file system, whether locks cross, whether change notification can be trusted, mount options, the
// round trip of a stat), as custodiactl's "doctor" tells it, with the verdict. The check runs off the
// window's thread: a share that is slow or gone never freezes the window.
class CShareCheckDialog final : public QDialog {
    Q_OBJECT

public:
    CShareCheckDialog(const WordTable& words, const NativePath& loginPath, QWidget* parent = nullptr);
    ~CShareCheckDialog() override;

    // Tries the folder again and shows what was found.
    void Check();

    const std::optional<ShareReport>& Report() const { return m_report; }
    QString VerdictText() const;
    const QTableWidget& Findings() const { return *m_findings; }

private:
    void CreateControls();
    void ShowReport(const ShareReport& report);
    QString Text(Word word) const;

    const WordTable& m_words;
    NativePath m_loginPath;
    BackgroundCall* m_calls;
    QTableWidget* m_findings = nullptr;
    QLabel* m_verdict = nullptr;
    std::optional<ShareReport> m_report;
};

} // namespace custodia
