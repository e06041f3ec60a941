#include "LanguageManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QLocale>
#include <QSettings>

#include <algorithm>
#include <clocale>

namespace Language {

namespace {

const char16_t NO_LANGUAGE_TEXT[] = u"????";

// Locales we can name by their Windows identifier, the first of each language being the
// one taken for a locale whose territory is not listed.
struct LocaleId {
    std::uint32_t lcid;
    QLocale::Language language;
    QLocale::Territory territory;
};
constexpr LocaleId KNOWN_LOCALES[] = {
    {2057, QLocale::English, QLocale::UnitedKingdom},
    {1033, QLocale::English, QLocale::UnitedStates},
    {3081, QLocale::English, QLocale::Australia},
    {4105, QLocale::English, QLocale::Canada},
    {1045, QLocale::Polish, QLocale::Poland},
    {1031, QLocale::German, QLocale::Germany},
    {3079, QLocale::German, QLocale::Austria},
    {2055, QLocale::German, QLocale::Switzerland},
    {1034, QLocale::Spanish, QLocale::Spain},
    {1049, QLocale::Russian, QLocale::Russia},
    {1036, QLocale::French, QLocale::France},
    {1040, QLocale::Italian, QLocale::Italy},
    {1029, QLocale::Czech, QLocale::CzechRepublic},
    {1051, QLocale::Slovak, QLocale::Slovakia},
    {1038, QLocale::Hungarian, QLocale::Hungary},
    {1043, QLocale::Dutch, QLocale::Netherlands},
    {2070, QLocale::Portuguese, QLocale::Portugal},
    {1046, QLocale::Portuguese, QLocale::Brazil},
    {1058, QLocale::Ukrainian, QLocale::Ukraine},
    {1053, QLocale::Swedish, QLocale::Sweden},
    {1030, QLocale::Danish, QLocale::Denmark},
    {1035, QLocale::Finnish, QLocale::Finland},
    {1044, QLocale::NorwegianBokmal, QLocale::Norway},
    {1055, QLocale::Turkish, QLocale::Turkey},
    {1041, QLocale::Japanese, QLocale::Japan},
    {2052, QLocale::Chinese, QLocale::China},
};

QLocale LocaleOfLcid(std::uint32_t lcid)
{
    for (const LocaleId& known : KNOWN_LOCALES)
        if (known.lcid == lcid)
            return QLocale(known.language, known.territory);
    return QLocale::system();
}

// C library locale of a language: German, Polish and Russian have their own, every other
// language uses English conventions. A locale that is not installed falls back to C.UTF-8.
void SetCLocale(std::uint32_t lcid)
{
    const char* name = "en_GB.UTF-8";
    switch (lcid) {
    case LCID_GERMAN: name = "de_DE.UTF-8"; break;
    case LCID_POLISH: name = "pl_PL.UTF-8"; break;
    case LCID_RUSSIAN: name = "ru_RU.UTF-8"; break;
    default: break;
    }
    if (!std::setlocale(LC_ALL, name))
        std::setlocale(LC_ALL, "C.UTF-8");
}

const QString SETTINGS_ORGANIZATION = QStringLiteral("Morvik");
const QString SETTINGS_APPLICATION = QStringLiteral("Quorvex");
const QString SETTINGS_LCID = QStringLiteral("LCID");

} // namespace

CLanguageManager::CLanguageManager() = default;

CLanguageManager::~CLanguageManager()
{
    UnloadLanguage();
}

int CLanguageManager::ScanModules(int interfaceVersion, int maxEntries)
{
    const QString loadedPath = m_nCurrent >= 0 ? m_entries[std::size_t(m_nCurrent)].path : QString();
    m_entries.clear();
    if (m_moduleFolder.isEmpty())
        m_moduleFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/Lang");
    const QDir folder(m_moduleFolder);
    const QStringList files = folder.entryList({QStringLiteral("Strings_??" QUORVEX_MODULE_SUFFIX)},
                                               QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (int(m_entries.size()) >= maxEntries)
            break;
        const QString path = folder.absoluteFilePath(file);
        QLibrary library(path);
        if (!library.load())
            continue;
        const auto create = reinterpret_cast<CreateObjectFunction>(library.resolve(CREATE_OBJECT_SYMBOL));
        if (CLanguageStrings* strings = create ? create() : nullptr) {
            if (strings->GetInterfaceVersion() == interfaceVersion) {
                const char16_t* name = strings->GetLanguageName();
                m_entries.push_back({TextString(name), path, strings->GetLcid()});
            }
            delete strings; // the module's own destructor, before the module goes
        }
        library.unload();
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const LanguageEntry& a, const LanguageEntry& b) { return a.name < b.name; });

    m_nEnglishIndex = m_nPolishIndex = -1;
    m_nCurrent = -1;
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (m_entries[std::size_t(i)].lcid == LCID_ENGLISH)
            m_nEnglishIndex = i;
        if (m_entries[std::size_t(i)].lcid == LCID_POLISH)
            m_nPolishIndex = i;
        // The loaded language keeps its place under its new index.
        if (m_pStrings && m_entries[std::size_t(i)].path == loadedPath)
            m_nCurrent = i;
    }
    if (m_pStrings && m_nCurrent < 0)
        UnloadLanguage(); // its module is gone from the list
    return int(m_entries.size());
}

void CLanguageManager::UnloadLanguage()
{
    delete m_pStrings;
    m_pStrings = nullptr;
    if (m_library) {
        m_library->unload();
        m_library.reset();
    }
    if (m_nCurrent >= 0)
        QLocale::setDefault(QLocale::system());
    m_nCurrent = -1;
}

bool CLanguageManager::SelectLanguage(int index)
{
    if (index < 0 || index >= int(m_entries.size()))
        return false;
    UnloadLanguage();
    const LanguageEntry& entry = m_entries[std::size_t(index)];
    auto library = std::make_unique<QLibrary>(entry.path);
    if (!library->load())
        return false;
    const auto create = reinterpret_cast<CreateObjectFunction>(library->resolve(CREATE_OBJECT_SYMBOL));
    CLanguageStrings* strings = create ? create() : nullptr;
    if (!strings) {
        library->unload();
        return false;
    }
    strings->LoadTexts();
    m_library = std::move(library);
    m_pStrings = strings;
    const std::uint32_t lcid = strings->GetLcid();
    QLocale::setDefault(LocaleOfLcid(lcid));
    SetCLocale(lcid);
    m_nCurrent = index;
    return true;
}

std::int64_t CLanguageManager::SelectLanguageByLcid(std::int64_t lcid)
{
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (m_entries[std::size_t(i)].lcid == lcid) {
            if (SelectLanguage(i))
                return lcid;
            break;
        }
    }
    int fallback = -1;
    if (m_nEnglishIndex >= 0)
        fallback = m_nEnglishIndex;
    else if (m_nPolishIndex >= 0)
        fallback = m_nPolishIndex;
    else if (!m_entries.empty())
        fallback = 0;
    if (fallback < 0 || !SelectLanguage(fallback))
        return -1;
    return m_entries[std::size_t(fallback)].lcid;
}

bool CLanguageManager::SelectStartupLanguage()
{
    QSettings settings(SETTINGS_ORGANIZATION, SETTINGS_APPLICATION);
    if (settings.status() != QSettings::NoError)
        return false;
    bool fromSettings = false;
    std::int64_t lcid = 0;
    const QVariant saved = settings.value(SETTINGS_LCID);
    if (saved.isValid()) {
        bool ok = false;
        const qlonglong value = saved.toLongLong(&ok);
        if (ok && value >= 0 && value <= 0xFFFFFFFFLL) {
            lcid = value;
            fromSettings = true;
        }
    }
    if (!fromSettings)
        lcid = LocaleLcid();
    if (SelectLanguageByLcid(lcid) == -1) {
        std::int64_t selected = -1;
        if (fromSettings)
            selected = SelectLanguageByLcid(LocaleLcid());
        if (selected == -1)
            selected = SelectLanguageByLcid(LCID_ENGLISH);
        if (selected == -1)
            SelectLanguage(0);
    }
    return m_pStrings != nullptr;
}

void CLanguageManager::SaveLanguageChoice() const
{
    if (m_nCurrent < 0)
        return;
    QSettings settings(SETTINGS_ORGANIZATION, SETTINGS_APPLICATION);
    settings.setValue(SETTINGS_LCID, qulonglong(m_entries[std::size_t(m_nCurrent)].lcid));
    settings.sync();
}

const char16_t* CLanguageManager::GetText(int id) const
{
    if (!m_pStrings)
        return NO_LANGUAGE_TEXT;
    return m_pStrings->GetText(id);
}

bool CLanguageManager::GetLanguageEntry(int index, std::uint32_t* lcid, QString* name) const
{
    if (index < 0 || index >= int(m_entries.size()))
        return false;
    if (lcid)
        *lcid = m_entries[std::size_t(index)].lcid;
    if (name)
        *name = m_entries[std::size_t(index)].name;
    return true;
}

bool CLanguageManager::GetCurrentLanguage(int* index, std::uint32_t* lcid, QString* name) const
{
    if (m_nCurrent < 0)
        return false;
    if (index)
        *index = m_nCurrent;
    return GetLanguageEntry(m_nCurrent, lcid, name);
}

std::uint32_t CLanguageManager::LocaleLcid()
{
    // The program's current locale (QLocale's default), which follows the language in use
    // and is the user's own locale while no language is loaded.
    const QLocale locale;
    for (const LocaleId& known : KNOWN_LOCALES)
        if (known.language == locale.language() && known.territory == locale.territory())
            return known.lcid;
    for (const LocaleId& known : KNOWN_LOCALES)
        if (known.language == locale.language())
            return known.lcid;
    return 0;
}

CLanguageManager& TheLanguageManager()
{
    static CLanguageManager manager;
    return manager;
}

} // namespace Language
