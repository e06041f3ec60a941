#pragma once
// Mix-in of every object that shows texts from the language modules: on a language switch
// it is handed the language manager and re-reads every text it shows.

namespace Language {

class CLanguageManager;

class CLanguageSupport {
public:
    virtual ~CLanguageSupport() = default;
    virtual void OnLanguageChanged(CLanguageManager& /*manager*/) {}
};

} // namespace Language
