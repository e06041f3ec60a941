#include "LanguageWidgets.h"

#include "LanguageManager.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>
#include <QWidget>

namespace Language {

namespace {

bool LanguageLoaded(const CLanguageManager& manager)
{
    return manager.GetCurrentLanguage(nullptr, nullptr, nullptr);
}

} // namespace

void SetMenuTexts(const CLanguageManager& manager, QWidget* menu, int firstPosition, int firstTextId, int count)
{
    if (!menu || !LanguageLoaded(manager))
        return;
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < count; ++i) {
        const int position = firstPosition + i;
        const char16_t* text = manager.GetText(firstTextId + i);
        if (text && position >= 0 && position < items.size())
            items[position]->setText(TextString(text));
    }
}

int FillComboTexts(const CLanguageManager& manager, QComboBox* list, int firstTextId, int count, bool reset,
                   int selection)
{
    if (!list || !LanguageLoaded(manager))
        return -2;
    const int previous = list->currentIndex();
    {
        // Refilling is not a choice of the user: the list reports no change while it is filled.
        const QSignalBlocker blocker(list);
        if (reset)
            list->clear();
        for (int i = 0; i < count; ++i)
            list->addItem(manager.Text(firstTextId + i));
        if (selection == -1)
            list->setCurrentIndex(previous);
        else if (selection >= 0)
            list->setCurrentIndex(selection);
    }
    return previous;
}

void SetButtonText(const CLanguageManager& manager, QAbstractButton* button, int textId)
{
    if (!button)
        return;
    if (const char16_t* text = manager.GetText(textId))
        button->setText(TextString(text));
}

} // namespace Language
