#pragma once
// Applying language texts to menus and drop-down lists. The language library itself holds no
// widgets; windows and dialogs use these two helpers to put texts of the current language
// into their controls.

class QAbstractButton;
class QComboBox;
class QWidget;

namespace Language {

class CLanguageManager;

// For i = 0 .. count-1: the item at position firstPosition + i of the menu (a QMenu or a
// QMenuBar; separators count as positions) gets the text firstTextId + i. A text the
// language lacks leaves its item as it is; so does a position beyond the menu's items.
// Nothing happens when no language is loaded.
void SetMenuTexts(const CLanguageManager& manager, QWidget* menu, int firstPosition, int firstTextId, int count);

// Appends the texts firstTextId .. firstTextId + count - 1 to the list (after emptying it when
// reset is set; a missing text gives an empty entry, so entry n always stands for value n).
// Then a selection >= 0 selects that entry, -1 selects again the entry selected before the
// call, and any other value leaves the selection alone. Returns the entry selected before the
// call, or -2 when no language is loaded (the list is then left untouched).
int FillComboTexts(const CLanguageManager& manager, QComboBox* list, int firstTextId, int count, bool reset,
                   int selection);

// The caption of a button from a text; a text the language lacks leaves the caption as it is.
void SetButtonText(const CLanguageManager& manager, QAbstractButton* button, int textId);

} // namespace Language
