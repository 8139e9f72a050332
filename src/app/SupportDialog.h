#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class UiServices;

namespace custodia {

class CUrlLabel;
class WordTable;

// The technical support box: the support text of "techsprt.txt" beside the picture "splash.bmp", under
// a large painted title, with the web address and the two mail addresses as links.
class SupportDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kLinkCount = 3;
    static constexpr int kPictureInset = 16;

    // Reads the support text and the picture from the current folder.
    SupportDialog(const WordTable& words, UiServices& ui, QWidget* parent = nullptr);

    void SetNotice(const QString& text);
    CUrlLabel& Link(int index) const { return *m_links.at(static_cast<size_t>(index)); }
    QString SupportText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildWidgets(const WordTable& words, UiServices& ui);
    QWidget* BuildContacts(const WordTable& words, UiServices& ui);

    QString m_title;
    QPixmap m_picture;
    QWidget* m_pictureFrame = nullptr;
    QLabel* m_notice = nullptr;
    QPlainTextEdit* m_supportText = nullptr;
    std::array<CUrlLabel*, kLinkCount> m_links {};
    QPushButton* m_cancel = nullptr;
};

} // namespace custodia
