#pragma once

#include "parsers/HelpFile.h"

#include <QDockWidget>

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMainWindow;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace custodia {

class HelpBarHeader;
class HelpTextView;
class WordTable;

// The help panel docked at the right of the main window. It shows the console's help file in the
// language of the word table (English when that one is missing), a contents list of its titles, and a
// search whose hits are listed by section with a little context. A double click (or Enter) on a title
// or a hit highlights it in the text. The bar can be widened by dragging its left edge, expanded to
// the window's width and restored; its width is remembered for the next start.
class CHelpBar final : public QDockWidget {
    Q_OBJECT

public:
    static constexpr const char* kHelpFileBaseName = "Custodia Help";
    static constexpr const char* kLogoFileName = "helpbarlogo.bmp";
    static constexpr int kDragZoneWidth = 16;
    static constexpr int kContentsTab = 0;
    static constexpr int kSearchResultsTab = 1;
    static inline const QColor kListBackground { 222, 239, 255 };
    static inline const QColor kGreyRowColour { 128, 128, 128 };

    // Reads the help file and the logo from the current folder.
    CHelpBar(const WordTable& words, QMainWindow& frame, const std::string& helpBaseName = kHelpFileBaseName);

    // Searches the help text for the search box's text and shows the first match.
    void Search();
    // Expands the bar to the width of the main window, or gives it back the width it had.
    void ToggleExpanded();
    bool IsExpanded() const { return m_expanded; }
    // Puts the keyboard focus into the search box, its text selected.
    void FocusSearch();
    // Shows or hides the bar and remembers that for the next start.
    void SetShown(bool shown);

    // The file the help text came from; empty when no help file could be used.
    const std::string& HelpFileName() const { return m_help.GetFileName(); }
    // True while the hit list shows hits rather than the hint or the no-matches row.
    bool ShowsHits() const { return m_showsHits; }

signals:
    // The close button: the main window hides the bar, so its menu and toolbar follow.
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildContents(const WordTable& words);
    QWidget* BuildSearchRow(const WordTable& words);
    QWidget* BuildLists(const WordTable& words);
    void LoadHelp(const WordTable& words, const std::string& baseName);
    void FillContents();
    void ShowContentsRow(QListWidgetItem* item);
    void ShowHit(QListWidgetItem* item);
    void ShowOnlyRow(QListWidget& list, const QString& text);
    void UpdateExpandButton();
    void ResizeTo(int width);
    bool HandleEdgeDrag(QWidget* area, QEvent* event);

    QMainWindow& m_frame;
    HelpFile m_help;
    QString m_hintText;
    QString m_noMatchesText;
    QString m_expandTip;
    QString m_restoreTip;
    HelpBarHeader* m_header = nullptr;
    QLineEdit* m_searchBox = nullptr;
    QToolButton* m_searchButton = nullptr;
    QTabWidget* m_tabs = nullptr;
    QListWidget* m_contents = nullptr;
    QListWidget* m_hits = nullptr;
    HelpTextView* m_text = nullptr;
    bool m_showsHits = false;
    bool m_expanded = false;
    int m_widthBeforeExpanding = 0;
    bool m_widthRestored = false;
    bool m_dragging = false;
    int m_dragStartX = 0;
    int m_dragStartWidth = 0;
};

} // namespace custodia
