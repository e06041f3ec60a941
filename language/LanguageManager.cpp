#include "LanguageManager.h"

#include "ModuleFile.h"
#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QLocale>

#include <QMutex>

#include <algorithm>
#include <map>

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

// Decimal separator of a language, from Qt's own locale data for the LCID (the same
// language in another territory when only the language is known), so that it does not
// depend on which C library locales the system has installed. A point for any language
// we cannot name.
QString DecimalPointOfLcid(std::uint32_t lcid)
{
    for (const LocaleId& known : KNOWN_LOCALES)
        if (known.lcid == lcid)
            return QLocale(known.language, known.territory).decimalPoint();
    // The low ten bits of an LCID name the language, the bits above its variant (territory).
    for (const LocaleId& known : KNOWN_LOCALES)
        if ((known.lcid & 0x3FF) == (lcid & 0x3FF))
            return QLocale(known.language, known.territory).decimalPoint();
    return QStringLiteral(".");
}

const QString SETTINGS_LCID = QStringLiteral("LCID");

} // namespace

// One loaded module file, shared by everything in the process that uses it. Qt's QLibrary
// does not count loads of the same file through separate QLibrary objects reliably (an
// unload through one can unmap the file under the others), so each file is loaded through
// one QLibrary only and unloaded when its last user lets go.
class CLanguageModule {
public:
    explicit CLanguageModule(const QString& path) : m_library(path) {}
    ~CLanguageModule() { m_library.unload(); }

    // The module file, loaded; null when it cannot be loaded.
    static std::shared_ptr<CLanguageModule> Open(const QString& path)
    {
        static QMutex mutex;
        static std::map<QString, std::weak_ptr<CLanguageModule>> open;
        const QMutexLocker lock(&mutex);
        std::weak_ptr<CLanguageModule>& slot = open[path];
        if (std::shared_ptr<CLanguageModule> module = slot.lock())
            return module;
        // A damaged file (one cut short, say) can take the process down inside the loader.
        if (!IsLoadableModuleFile(path))
            return nullptr;
        auto module = std::make_shared<CLanguageModule>(path);
        if (!module->m_library.load())
            return nullptr;
        slot = module;
        return module;
    }

    // A new strings object from the module's CreateObject; null when it has none or it fails.
    CLanguageStrings* CreateObject()
    {
        const auto create = reinterpret_cast<CreateObjectFunction>(m_library.resolve(CREATE_OBJECT_SYMBOL));
        return create ? create() : nullptr;
    }

    // The module's GetExtendedText; null for a module that has no texts beyond the table.
    GetExtendedTextFunction ExtendedTexts()
    {
        return reinterpret_cast<GetExtendedTextFunction>(m_library.resolve(GET_EXTENDED_TEXT_SYMBOL));
    }

private:
    QLibrary m_library;
};

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
        const std::shared_ptr<CLanguageModule> module = CLanguageModule::Open(path);
        CLanguageStrings* strings = module ? module->CreateObject() : nullptr;
        if (!strings)
            continue; // the module is unloaded again unless it is in use
        if (strings->GetInterfaceVersion() == interfaceVersion)
            m_entries.push_back({TextString(strings->GetLanguageName()), path, strings->GetLcid()});
        delete strings; // the module's own destructor, before the module goes
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const LanguageEntry& a, const LanguageEntry& b) { return a.name < b.name; });

    m_nEnglishIndex = m_nPolishIndex = -1;
    int current = -1;
    for (int i = 0; i < int(m_entries.size()); ++i) {
        if (m_entries[std::size_t(i)].lcid == LCID_ENGLISH)
            m_nEnglishIndex = i;
        if (m_entries[std::size_t(i)].lcid == LCID_POLISH)
            m_nPolishIndex = i;
        // The loaded language keeps its place under its new index.
        if (m_pStrings && m_entries[std::size_t(i)].path == loadedPath)
            current = i;
    }
    if (m_pStrings && current < 0)
        UnloadLanguage(); // its module is no longer listed
    m_nCurrent = current;
    return int(m_entries.size());
}

void CLanguageManager::UnloadLanguage()
{
    delete m_pStrings;
    m_pStrings = nullptr;
    m_pExtendedTexts = m_pEnglishExtendedTexts = nullptr;
    m_module.reset();
    m_englishModule.reset();
    if (m_nCurrent >= 0)
        QLocale::setDefault(QLocale::system());
    m_decimalPoint = QStringLiteral(".");
    m_nCurrent = -1;
}

bool CLanguageManager::SelectLanguage(int index)
{
    if (index < 0 || index >= int(m_entries.size()))
        return false;
    UnloadLanguage();
    const LanguageEntry& entry = m_entries[std::size_t(index)];
    std::shared_ptr<CLanguageModule> module = CLanguageModule::Open(entry.path);
    CLanguageStrings* strings = module ? module->CreateObject() : nullptr;
    if (!strings)
        return false; // the module goes with the last reference to it
    strings->LoadTexts();
    m_pExtendedTexts = module->ExtendedTexts();
    m_module = std::move(module);
    m_pStrings = strings;
    // Texts beyond the table that this module lacks are shown in English.
    if (m_nEnglishIndex >= 0 && m_nEnglishIndex != index) {
        m_englishModule = CLanguageModule::Open(m_entries[std::size_t(m_nEnglishIndex)].path);
        m_pEnglishExtendedTexts = m_englishModule ? m_englishModule->ExtendedTexts() : nullptr;
    }
    const std::uint32_t lcid = strings->GetLcid();
    QLocale::setDefault(LocaleOfLcid(lcid));
    // Numbers in texts take the language's decimal separator from here; the C library
    // locale is left alone, so it never reaches program files, the wire or tool output.
    m_decimalPoint = DecimalPointOfLcid(lcid);
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

bool CLanguageManager::SelectMatchingLcid(std::int64_t lcid, bool samePrimaryLanguage)
{
    for (int i = 0; i < int(m_entries.size()); ++i)
        if (m_entries[std::size_t(i)].lcid == lcid)
            return SelectLanguage(i);
    if (!samePrimaryLanguage || lcid <= 0)
        return false;
    // The low ten bits of an LCID name the language, the bits above its variant (territory).
    for (int i = 0; i < int(m_entries.size()); ++i)
        if ((m_entries[std::size_t(i)].lcid & 0x3FF) == (lcid & 0x3FF))
            return SelectLanguage(i);
    return false;
}

bool CLanguageManager::SelectStartupLanguage()
{
    QSettings settings = ProgramSettings();
    if (settings.status() != QSettings::NoError)
        return false;
    const QVariant saved = settings.value(SETTINGS_LCID);
    bool ok = false;
    const qlonglong value = saved.isValid() ? saved.toLongLong(&ok) : 0;
    // The saved language first, then the locale's; only when neither is installed (or loads)
    // the fallbacks of SelectLanguageByLcid (English, Polish, the first entry).
    if (ok && value >= 0 && value <= 0xFFFFFFFFLL && SelectMatchingLcid(value, false))
        return true;
    const std::uint32_t locale = LocaleLcid();
    if (SelectMatchingLcid(locale, true))
        return true;
    if (SelectLanguageByLcid(LCID_ENGLISH) == -1)
        SelectLanguage(0);
    return m_pStrings != nullptr;
}

void CLanguageManager::SaveLanguageChoice() const
{
    if (m_nCurrent < 0)
        return;
    QSettings settings = ProgramSettings();
    // A 32-bit number (a DWORD in the Windows registry), as it is read back.
    settings.setValue(SETTINGS_LCID, quint32(m_entries[std::size_t(m_nCurrent)].lcid));
    settings.sync();
}

const char16_t* CLanguageManager::GetText(int id) const
{
    if (!m_pStrings)
        return NO_LANGUAGE_TEXT;
    if (id < TEXT_EXTENDED_FIRST)
        return m_pStrings->GetText(id);
    if (id >= TEXT_EXTENDED_LIMIT)
        return nullptr;
    const char16_t* text = m_pExtendedTexts ? m_pExtendedTexts(id) : nullptr;
    if (!text && m_pEnglishExtendedTexts)
        text = m_pEnglishExtendedTexts(id);
    return text;
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
