#pragma once
// The blur settings dialog: a drop-down list of the 14 box sizes "3", "5" … "29" (entry i stands for 2 × i + 3), OK
// (the default) and Cancel. It holds nothing of the window: it is given a size and gives one back. With a preview set,
// every change of the list's entry hands the size it stands for to the preview at once, and reject() hands back the
// size the dialog was given, so the window shows each size as it is chosen and the old one again after Cancel.
//
// Opening selects entry (size − 3) ÷ 2 rounded down, so an even size selects the entry below it; a size that names no
// entry (2 or less, 31 or more, possible from a hand-edited profile) selects nothing. accept() (OK, Enter) sets the
// size to 2 × entry + 3, which is 1 when nothing is selected (the list reports no selection as −1); reject() leaves
// the size as it was given.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <utility>

class QComboBox;
class QPushButton;

class CBlurDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kEntries = 14;

    explicit CBlurDlg(std::int32_t size, QWidget* parent = nullptr);

    std::int32_t Size() const { return m_nBlurSize; }
    // The live preview: called with a size on every change of the entry, and with the given size on reject().
    void SetPreview(std::function<void(std::int32_t)> preview) { m_preview = std::move(preview); }

    QComboBox* SizeList() const { return m_pList; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

    // The list entry a size selects (−1 for none) and the size an entry stands for (entry −1 gives 1).
    static int EntryForSize(std::int32_t size);
    static std::int32_t SizeForEntry(int entry);

    void accept() override;
    void reject() override;

private:
    std::int32_t m_nBlurSize;
    std::function<void(std::int32_t)> m_preview;
    bool m_bPreviewed = false;  // the preview was handed another size than the one given
    QComboBox* m_pList = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
