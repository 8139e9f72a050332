#pragma once

#include <QTextEdit>

#include <optional>

namespace custodia {

class HelpText;

// The help bar's read-only help text, each paragraph in the style of its tags, and the one range that
// is highlighted (underlined, red) after a double click on a title or a search hit. Positions count
// characters with a paragraph break as one, as the help text's own positions do.
class HelpTextView final : public QTextEdit {
    Q_OBJECT

public:
    static inline const QColor kBackground { 222, 239, 255 };
    static inline const QColor kHighlightColour { 255, 0, 0 };

    // Where a highlighted range is scrolled to: its line at the top, or a little below the top so
    // that the lines before a search match show what it is about.
    enum class Placement { Top, BelowTop };

    struct Range {
        int position;
        int length;
    };

    explicit HelpTextView(QWidget* parent = nullptr);

    // Replaces the shown text with the help text; the view then stands at its first line.
    void ShowHelp(const HelpText& help);
    // The height that the styles' heights are reckoned from: the widget font's, in pixels.
    int BaseHeight() const;

    // Puts the highlight on a range (the previous one is removed first) and scrolls to it.
    void Highlight(Range range, Placement placement);
    void RemoveHighlight();
    std::optional<Range> HighlightedRange() const { return m_highlight; }

    // The position of the first character shown at the top.
    int TopPosition() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ScrollTo(int position, Placement placement);
    bool IsShown(int position) const;
    int LineTop(int position) const;

    std::optional<Range> m_highlight;
};

} // namespace custodia
