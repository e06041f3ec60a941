// One language module. The same source is compiled once per language; the language's texts
// come from the file named by QUORVEX_TEXTS_FILE, written as
//
//   QUORVEX_LANGUAGE(u"English", 2057)
//   QUORVEX_TEXT(0, u"Relay model")
//   ...
//
// with the text IDs in increasing order; an ID that is not listed has no text (null). IDs
// from TEXT_EXTENDED_FIRST up are answered by the GetExtendedText export.

#include "LanguageStrings.h"

#ifndef QUORVEX_TEXTS_FILE
#error "QUORVEX_TEXTS_FILE must name the language's text file"
#endif

namespace {

// The language's name and locale identifier.
#define QUORVEX_LANGUAGE(name, lcid)                                                               \
    constexpr const char16_t* LANGUAGE_NAME = name;                                                \
    constexpr std::uint32_t LANGUAGE_LCID = lcid;
#define QUORVEX_TEXT(id, text)
#include QUORVEX_TEXTS_FILE
#undef QUORVEX_LANGUAGE
#undef QUORVEX_TEXT

// The IDs as listed, checked at compile time: each below TEXT_EXTENDED_LIMIT and listed after
// a smaller one, so that no text is given twice and none silently replaces another.
constexpr int LISTED_IDS[] = {
    -1,
#define QUORVEX_LANGUAGE(name, lcid)
#define QUORVEX_TEXT(id, text) id,
#include QUORVEX_TEXTS_FILE
#undef QUORVEX_LANGUAGE
#undef QUORVEX_TEXT
};

constexpr bool IdsIncreaseWithinRange()
{
    for (std::size_t i = 1; i < sizeof(LISTED_IDS) / sizeof(LISTED_IDS[0]); ++i)
        if (LISTED_IDS[i] <= LISTED_IDS[i - 1] || LISTED_IDS[i] >= Language::TEXT_EXTENDED_LIMIT)
            return false;
    return true;
}
static_assert(IdsIncreaseWithinRange(), "text IDs must lie below 1000 and be listed in increasing order");

struct ListedText {
    int id;
    const char16_t* text;
};
constexpr ListedText LISTED_TEXTS[] = {
    {-1, nullptr},
#define QUORVEX_LANGUAGE(name, lcid)
#define QUORVEX_TEXT(id, text) {id, text},
#include QUORVEX_TEXTS_FILE
#undef QUORVEX_LANGUAGE
#undef QUORVEX_TEXT
};

class CModuleStrings final : public Language::CLanguageStrings {
public:
    void FillTextTable(const char16_t** table) override
    {
        for (const ListedText& listed : LISTED_TEXTS)
            if (listed.id >= 0 && listed.id < Language::TEXT_COUNT)
                table[listed.id] = listed.text;
    }
    const char16_t* GetLanguageName() const override { return LANGUAGE_NAME; }
    std::uint32_t GetLcid() const override { return LANGUAGE_LCID; }
    int GetInterfaceVersion() const override { return Language::LANGUAGE_INTERFACE_VERSION; }
};

} // namespace

QUORVEX_MODULE_EXPORT Language::CLanguageStrings* CreateObject()
{
    return new (std::nothrow) CModuleStrings;
}

QUORVEX_MODULE_EXPORT const char16_t* GetExtendedText(int id)
{
    if (id < Language::TEXT_EXTENDED_FIRST)
        return nullptr;
    for (const ListedText& listed : LISTED_TEXTS) // listed in increasing ID order
        if (listed.id >= id)
            return listed.id == id ? listed.text : nullptr;
    return nullptr;
}
