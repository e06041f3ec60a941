#pragma once
// The language manager: finds the language modules, loads the chosen one and answers text
// lookups by text ID. One manager serves the whole program (TheLanguageManager()).

#include "LanguageStrings.h"
#include "LanguageSupport.h"
#include "TextFormat.h"
#include "TextIds.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace Language {

class CLanguageModule;

struct LanguageEntry {
    QString name;        // as the module names its language
    QString path;        // full path of the module file
    std::uint32_t lcid;  // Windows locale identifier of the language
};

constexpr std::uint32_t LCID_GERMAN = 1031;
constexpr std::uint32_t LCID_SPANISH = 1034;
constexpr std::uint32_t LCID_POLISH = 1045;
constexpr std::uint32_t LCID_RUSSIAN = 1049;
constexpr std::uint32_t LCID_ENGLISH = 2057;
constexpr int MAX_LANGUAGES = 20;

class CLanguageManager {
public:
    CLanguageManager();
    ~CLanguageManager();
    CLanguageManager(const CLanguageManager&) = delete;
    CLanguageManager& operator=(const CLanguageManager&) = delete;

    // Folder searched for modules: "Lang" beside the executable unless set otherwise.
    QString GetModuleFolder() const { return m_moduleFolder; }
    void SetModuleFolder(const QString& folder) { m_moduleFolder = folder; }

    // Lists the usable modules (those answering the interface version), at most maxEntries,
    // sorted by language name. Returns the number listed. The loaded language stays loaded.
    int ScanModules(int interfaceVersion = LANGUAGE_INTERFACE_VERSION, int maxEntries = MAX_LANGUAGES);
    // Loads the language of a list entry; false (with no language loaded) when its module
    // cannot be loaded, false with nothing changed for an index out of range.
    bool SelectLanguage(int index);
    // Selects the first entry with the LCID, else English, else Polish, else the first entry.
    // Returns the LCID now selected, or -1.
    std::int64_t SelectLanguageByLcid(std::int64_t lcid);
    void UnloadLanguage();

    // Start-up choice: the language saved by the last run, else the one of the user's locale
    // (the same LCID, else the same primary language), else English, else Polish, else the
    // first entry. Returns whether a language is loaded afterwards.
    bool SelectStartupLanguage();
    // Stores the current language's LCID for the next run (nothing when none is loaded).
    void SaveLanguageChoice() const;

    // Text of the current language: null when the module has none for the ID, "????"
    // when no language is loaded. An ID from TEXT_EXTENDED_FIRST up that the module lacks
    // gives the English module's text.
    const char16_t* GetText(int id) const;
    // The same as a string (empty for null).
    QString Text(int id) const { return TextString(GetText(id)); }
    // A format text of the current language with its arguments; empty when the text is
    // missing or its placeholders do not match the arguments. Numbers with a fraction
    // show the language's decimal separator.
    QString Format(int id, std::initializer_list<FormatArg> args) const
    {
        return FormatText(GetText(id), args, m_decimalPoint);
    }
    // Decimal separator of the current language ("," for Polish, German, Russian and
    // Spanish, "." for English); "." when no language is loaded.
    const QString& DecimalPoint() const { return m_decimalPoint; }

    int GetLanguageCount() const { return int(m_entries.size()); }
    bool GetLanguageEntry(int index, std::uint32_t* lcid, QString* name) const;
    bool GetCurrentLanguage(int* index, std::uint32_t* lcid, QString* name) const;
    const std::vector<LanguageEntry>& Entries() const { return m_entries; }
    int GetEnglishIndex() const { return m_nEnglishIndex; }
    int GetPolishIndex() const { return m_nPolishIndex; }

    // LCID of the user's locale (0 when it has none we know).
    static std::uint32_t LocaleLcid();

private:
    // Selects the first entry with exactly this LCID (or, with samePrimaryLanguage, the first
    // of the same language); false when there is none or it cannot be loaded.
    bool SelectMatchingLcid(std::int64_t lcid, bool samePrimaryLanguage);

    std::shared_ptr<CLanguageModule> m_module;
    CLanguageStrings* m_pStrings = nullptr;
    GetExtendedTextFunction m_pExtendedTexts = nullptr;
    // The English module, kept loaded for its extended texts while another language is used.
    std::shared_ptr<CLanguageModule> m_englishModule;
    GetExtendedTextFunction m_pEnglishExtendedTexts = nullptr;
    std::vector<LanguageEntry> m_entries;
    int m_nCurrent = -1;
    int m_nEnglishIndex = -1;
    int m_nPolishIndex = -1;
    QString m_moduleFolder;
    QString m_decimalPoint = QStringLiteral(".");
};

// The one manager of the program.
CLanguageManager& TheLanguageManager();

} // namespace Language
