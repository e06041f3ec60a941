#pragma once
// The interface every language module offers. A module is a shared library named
// Strings_?? (with the platform's suffix) in the Lang folder beside the executable; it
// exports the C function CreateObject, which returns a new strings object or null.
//
// The base behaviour lives here, inline, so that a module needs nothing but this header.

#include "TextIds.h"

#include <cstdint>
#include <new>

namespace Language {

constexpr int LANGUAGE_INTERFACE_VERSION = 1;

class CLanguageStrings {
public:
    CLanguageStrings() : m_pTable(new (std::nothrow) const char16_t*[TEXT_COUNT]())
    {
    }
    CLanguageStrings(const CLanguageStrings&) = delete;
    CLanguageStrings& operator=(const CLanguageStrings&) = delete;

    // Slot order is part of the interface: modules and the program must agree on it.
    // Stores a pointer to each text the module has; entries without a text stay null.
    virtual void FillTextTable(const char16_t** table) = 0;
    // Destroys the object; called before the module is unloaded.
    virtual ~CLanguageStrings() { delete[] m_pTable; }
    // NUL-terminated UTF-16 text, or null when the module has no text for the ID.
    virtual const char16_t* GetText(int id) const
    {
        if (!m_pTable || id < 0 || id >= TEXT_COUNT)
            return nullptr;
        return m_pTable[id];
    }
    // Called once after creation for the selected language, before any GetText.
    virtual void LoadTexts()
    {
        if (m_pTable)
            FillTextTable(m_pTable);
    }
    // Name under which the language is offered to the user.
    virtual const char16_t* GetLanguageName() const = 0;
    // Windows locale identifier of the language (2057 English, 1045 Polish, ...).
    virtual std::uint32_t GetLcid() const = 0;
    // Only modules that answer LANGUAGE_INTERFACE_VERSION are used.
    virtual int GetInterfaceVersion() const = 0;

private:
    const char16_t** m_pTable;
};

// Signature of the exported CreateObject.
using CreateObjectFunction = CLanguageStrings* (*)();
constexpr const char* CREATE_OBJECT_SYMBOL = "CreateObject";

// Optional export of modules that carry texts with IDs from TEXT_EXTENDED_FIRST up: the text
// of such an ID (NUL-terminated UTF-16, valid while the module is loaded), or null. A module
// without it still works; the program then shows English texts for those IDs.
using GetExtendedTextFunction = const char16_t* (*)(int id);
constexpr const char* GET_EXTENDED_TEXT_SYMBOL = "GetExtendedText";

} // namespace Language

#if defined(_WIN32)
#define QUORVEX_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define QUORVEX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
