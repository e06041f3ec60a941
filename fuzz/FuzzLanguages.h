#pragma once
// The shipped language modules of the build, each loaded once by a manager of its own, so that
// a target can use every language for every input without loading and unloading modules.

#include "FuzzTarget.h"
#include "LanguageManager.h"

#include <memory>
#include <vector>

using FuzzLanguages = std::vector<std::unique_ptr<Language::CLanguageManager>>;

inline FuzzLanguages LoadShippedLanguages()
{
    FuzzLanguages languages;
    Language::CLanguageManager scanner;
    scanner.SetModuleFolder(QStringLiteral(QUORVEX_LANG_DIR));
    const int count = scanner.ScanModules();
    FUZZ_CHECK(count > 0, "no language module in " QUORVEX_LANG_DIR);
    for (int i = 0; i < count; ++i) {
        auto manager = std::make_unique<Language::CLanguageManager>();
        manager->SetModuleFolder(QStringLiteral(QUORVEX_LANG_DIR));
        manager->ScanModules();
        FUZZ_CHECK(manager->SelectLanguage(i), "a shipped language module does not load");
        languages.push_back(std::move(manager));
    }
    return languages;
}

// The shipped languages, loaded on the first call and kept for the whole run.
inline const FuzzLanguages& ShippedLanguages()
{
    static const auto* languages = new FuzzLanguages(LoadShippedLanguages());
    return *languages;
}
