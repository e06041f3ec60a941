#pragma once
// File > New from example: the example programs listed by title, with a picture of the steps
// each one uses (drawn by the program's own step drawer in the language shown), its relay
// model and its description. The chosen example is opened by the main window as a new,
// untitled program; the chooser only reads the example files.

#include "Examples.h"
#include "LanguageSupport.h"

#include <QDialog>
#include <QImage>

#include <memory>
#include <vector>

class CQuorvexDoc;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

// The chain picture of the steps a program uses, from the Start step to the last step that
// differs from the default program (at least the first group), each channel in a row: what
// the program view shows of it, at a box height, in the language of the manager.
QImage UsedStepsPicture(const CQuorvexDoc& doc, int boxHeight, Language::CLanguageManager& manager);

class CExampleChooser final : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CExampleChooser(QWidget* parent = nullptr);
    ~CExampleChooser() override;

    // The example chosen (its name), or empty.
    QString ChosenExample() const;
    // How many of the examples could be loaded: with none, there is nothing to choose.
    int AvailableCount() const;
    // Selects an example by its position in the list.
    void Select(int row);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    QListWidget* List() const { return m_pList; }
    QLabel* Picture() const { return m_pPicture; }
    QLabel* Description() const { return m_pDescription; }
    QPushButton* OpenButton() const { return m_pOpen; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowSelected();
    // The selected example's picture, as large as the room allows.
    void ShowPicture();

    struct Entry {
        const ExampleInfo* info = nullptr;
        std::unique_ptr<CQuorvexDoc> doc; // null when its file cannot be loaded
        int result = 0;
    };
    std::vector<Entry> m_entries;
    QListWidget* m_pList = nullptr;
    QLabel* m_pListLabel = nullptr;
    QLabel* m_pTitle = nullptr;
    QLabel* m_pModel = nullptr;
    QLabel* m_pPicture = nullptr;
    QLabel* m_pDescription = nullptr;
    QDialogButtonBox* m_pButtons = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pCancel = nullptr;
};
