// The user guide and the example programs in the window, with the shipped languages, the
// built guide and examples, and scripted dialogs: the help window (pages, sections, links,
// back and forward, find, pictures, languages), F1 on a step, the Help button of a message,
// a guide or example missing from the installation, and File > New from example.

#include "CommandIds.h"
#include "CommonSettings.h"
#include "DialogIds.h"
#include "ExampleChooser.h"
#include "Examples.h"
#include "HelpWindow.h"
#include "InstalledData.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "ScriptedDialogs.h"
#include "WindowHarness.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"
#include "TextIds.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

using namespace CommandIds;
using namespace DialogIds;
using Language::TheLanguageManager;

namespace {

const QString BUILT_DATA = QStringLiteral(QUORVEX_BIN_DIR "/../share/quorvex");

QByteArray Image(const CQuorvexDoc* doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text of the block at the top of the page view: where the page is scrolled to.
QString TopBlockText(const CGuideBrowser* browser)
{
    return browser->cursorForPosition(QPoint(4, 4)).block().text();
}

// Whether the heading with this text is in sight in the page view.
bool HeadingInSight(const CGuideBrowser* browser, const QString& text)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0 && block.text() == text)
            return browser->viewport()->rect().contains(browser->cursorRect(QTextCursor(block)));
    return false;
}

// A main window with scripted dialogs, started with one model.
struct CFrame : CWindowHarness {
    bool Start(int model = 0)
    {
        Setup setup;
        setup.moduleFolder.clear(); // the shipped language each test chooses
        return Create(model, setup) && QTest::qWaitFor([this] { return frame->ActivePane() != nullptr; }, 2000);
    }
    CHelpWindow* Help() const { return frame->HelpWindow(); }
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // Recovery copies of the windows' programs go there too, never into the real home.
        qputenv("XDG_STATE_HOME", m_config.path().toUtf8());
        QVERIFY(QFileInfo::exists(BUILT_DATA + QStringLiteral("/guide/README.md")));
    }
    void init()
    {
        qputenv("QUORVEX_DATA_DIR", BUILT_DATA.toUtf8());
        QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH));
    }
    void cleanup() { qunsetenv("QUORVEX_DATA_DIR"); }

    // A section opens with its heading at the top of the page; a page's pictures load.
    void sections_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QString>("heading");
        QTest::newRow("time step") << "time-steps.md" << "the-time-step" << "The time step";
        QTest::newRow("result 34") << "troubleshooting.md" << "34-the-relay-cannot-be-reached"
                                   << "34: The relay cannot be reached";
        QTest::newRow("start step") << "step-chain.md" << "the-start-step" << "The Start step";
    }
    void sections()
    {
        QFETCH(QString, page);
        QFETCH(QString, anchor);
        QFETCH(QString, heading);
        CHelpWindow window;
        window.resize(900, 500);
        window.ShowPlace({page, anchor});
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.Browser()->source().fileName(), page);
        QCOMPARE(window.ShownPlace().anchor, anchor);
        QVERIFY(window.Browser()->HeadingAnchors().contains(anchor));
        QVERIFY(window.Browser()->verticalScrollBar()->value() > 0);
        QCOMPARE(TopBlockText(window.Browser()), heading);
        // The page list follows the page.
        QCOMPARE(window.PageList()->currentItem()->data(Qt::UserRole).toString(), page);
    }

    void picturesLoad()
    {
        CHelpWindow window;
        window.ShowPlace({QStringLiteral("getting-started.md"), QString()});
        int pictures = 0;
        QTextDocument* doc = window.Browser()->document();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    const QUrl url(it.fragment().charFormat().toImageFormat().name());
                    const QVariant image = doc->resource(QTextDocument::ImageResource, window.Browser()->source().resolved(url));
                    QVERIFY2(image.isValid() || !doc->resource(QTextDocument::ImageResource, url).isNull(),
                             qPrintable(url.toString()));
                    ++pictures;
                }
        QVERIFY(pictures >= 2);
    }

    // A link leads to another page's section; back and forward go through the history.
    void linksAndHistory()
    {
        CHelpWindow window;
        window.resize(900, 500);
        window.ShowPlace({QStringLiteral("README.md"), QString()});
        QVERIFY(!window.BackAction()->isEnabled());
        Q_EMIT window.Browser()->anchorClicked(QUrl(QStringLiteral("time-steps.md#the-potentiometer")));
        QCOMPARE(window.ShownPlace().page, QStringLiteral("time-steps.md"));
        QVERIFY(HeadingInSight(window.Browser(), QStringLiteral("The potentiometer")));
        QVERIFY(!HeadingInSight(window.Browser(), QStringLiteral("Time steps and the potentiometer")));
        QVERIFY(window.BackAction()->isEnabled());
        window.BackAction()->trigger();
        QCOMPARE(window.ShownPlace().page, QStringLiteral("README.md"));
        QVERIFY(window.ForwardAction()->isEnabled());
        window.ForwardAction()->trigger();
        QCOMPARE(window.ShownPlace().page, QStringLiteral("time-steps.md"));
        // The page list opens a page.
        window.PageList()->setCurrentRow(0);
        QCOMPARE(window.ShownPlace().page, QStringLiteral("README.md"));
    }

    void findInPage()
    {
        CHelpWindow window;
        window.ShowPlace({QStringLiteral("step-chain.md"), QString()});
        window.FindField()->setText(QStringLiteral("Stop step"));
        QCOMPARE(window.Browser()->textCursor().selectedText(), QStringLiteral("Stop step"));
        const int first = window.Browser()->textCursor().position();
        QVERIFY(window.FindAgain(false));
        QVERIFY(window.Browser()->textCursor().position() > first);
        QVERIFY(window.FindAgain(true));
        QCOMPARE(window.Browser()->textCursor().position(), first);
        QVERIFY(window.FindStatus()->text().isEmpty());
        window.FindField()->setText(QStringLiteral("no such words here"));
        QVERIFY(!window.FindAgain(false));
        QCOMPARE(window.FindStatus()->text(), TheLanguageManager().Text(Language::TEXT_GUIDE_NOT_FOUND));
    }

    // The translation where the guide has one, English otherwise (also for a section that
    // only the English page has); a switch of language shows the page in the new language.
    void languages()
    {
        QVERIFY(UseShippedLanguage(Language::LCID_POLISH));
        CHelpWindow window;
        window.ShowPlace({QStringLiteral("getting-started.md"), QString()});
        QVERIFY(window.Browser()->source().toLocalFile().endsWith(QLatin1String("/pl/getting-started.md")));
        QCOMPARE(window.windowTitle(), TheLanguageManager().Text(Language::TEXT_GUIDE_TITLE));
        QCOMPARE(window.PageList()->item(1)->text(), QStringLiteral("Pierwsze kroki"));
        window.ShowPlace({QStringLiteral("getting-started.md"), QStringLiteral("start-quorvex")});
        QVERIFY(window.Browser()->source().toLocalFile().endsWith(QLatin1String("guide/getting-started.md")));
        window.ShowPlace({QStringLiteral("step-chain.md"), QString()});
        QVERIFY(window.Browser()->source().toLocalFile().endsWith(QLatin1String("guide/step-chain.md")));
        // The Polish page links to the English pages beside it, shown as such.
        window.ShowPlace({QStringLiteral("getting-started.md"), QString()});
        Q_EMIT window.Browser()->anchorClicked(QUrl(QStringLiteral("../examples.md")));
        QVERIFY(window.Browser()->source().toLocalFile().endsWith(QLatin1String("guide/examples.md")));

        QVERIFY(UseShippedLanguage(Language::LCID_GERMAN));
        window.ShowPlace({QStringLiteral("getting-started.md"), QString()});
        window.OnLanguageChanged(TheLanguageManager());
        QVERIFY(window.Browser()->source().toLocalFile().endsWith(QLatin1String("/de/getting-started.md")));
        QCOMPARE(window.PageList()->item(1)->text(), QStringLiteral("Erste Schritte"));
    }

    // A page the guide lacks is said so in the window, never an empty page.
    void missingPage()
    {
        CHelpWindow window;
        window.ShowPlace({QStringLiteral("no-such-page.md"), QString()});
        QVERIFY(window.Browser()->toPlainText().contains(QStringLiteral("no-such-page.md")));
        QVERIFY(window.isVisible());
    }

    // Help > User guide opens the contents; without an installed guide it says so.
    void guideFromTheMenu()
    {
        CFrame f;
        QVERIFY(f.Start());
        QVERIFY(!f.Help());
        f.Action(ID_HELP_USER_GUIDE)->trigger();
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->ShownPlace().page, QStringLiteral("README.md"));
        QVERIFY(f.dialogs->errors.isEmpty());

        QTemporaryDir empty;
        qputenv("QUORVEX_DATA_DIR", empty.path().toUtf8());
        CFrame g;
        QVERIFY(g.Start());
        g.Action(ID_HELP_USER_GUIDE)->trigger();
        QVERIFY(!g.Help());
        QCOMPARE(g.dialogs->errors.size(), 1);
        QVERIFY(g.dialogs->errors.first().contains(QDir::toNativeSeparators(empty.path() + QStringLiteral("/guide"))));
    }

    // F1 with the focus on a step's settings opens that kind's section; F1 elsewhere and the
    // menu item the guide as it was.
    void contextHelp_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("time step") << 0 << 4 << "time-steps.md" << "the-time-step";
        QTest::newRow("condition") << 0 << 2 << "step-chain.md" << "condition-steps";
        QTest::newRow("start") << 0 << 0 << "step-chain.md" << "the-start-step";
        QTest::newRow("two-relay state change") << 1 << 3 << "step-chain.md" << "state-change-steps";
    }
    void contextHelp()
    {
        QFETCH(int, model);
        QFETCH(int, step);
        QFETCH(QString, page);
        QFETCH(QString, anchor);
        CFrame f;
        QVERIFY(f.Start(model));
        QVERIFY(f.Activate());
        f.Pane()->SelectStep(step, 0);
        CStepDialogStrip* strip = f.Pane()->StepDialogs();
        QComboBox* box = nullptr;
        for (QComboBox* candidate : strip->findChildren<QComboBox*>())
            if (candidate->isVisibleTo(strip) && candidate->isEnabled()) {
                box = candidate;
                break;
            }
        QVERIFY(box);
        box->setFocus();
        QVERIFY(QTest::qWaitFor([box] { return box->hasFocus(); }, 1000));
        QTest::keyClick(box, Qt::Key_F1);
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->ShownPlace().page, page);
        QCOMPARE(f.Help()->ShownPlace().anchor, anchor);

        // The menu item does not jump to the focused step: the guide stays where it is.
        f.Help()->ShowPlace({QStringLiteral("languages.md"), QString()});
        f.Action(ID_HELP_USER_GUIDE)->trigger();
        QCOMPARE(f.Help()->ShownPlace().page, QStringLiteral("languages.md"));
    }

    // F1 where no step's settings have the focus (the pane itself, after a program was
    // opened) opens the guide at its contents, not at a step.
    void f1OutsideTheStepSettings()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.Activate());
        f.Pane()->SelectStep(4, 0);
        f.Pane()->setFocus();
        QVERIFY(QTest::qWaitFor([&f] { return f.Pane()->hasFocus(); }, 1000));
        QTest::keyClick(f.Pane(), Qt::Key_F1);
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->ShownPlace().page, QStringLiteral("README.md"));
    }

    void contextHelpOnThePotentiometer()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.Activate());
        auto* potentiometer = f.Pane()->findChild<CPotSettingsDialog*>();
        QVERIFY(potentiometer);
        auto* range = potentiometer->findChild<QComboBox*>();
        QVERIFY(range);
        range->setFocus();
        QVERIFY(QTest::qWaitFor([range] { return range->hasFocus(); }, 1000));
        QTest::keyClick(range, Qt::Key_F1);
        QVERIFY(f.Help());
        QCOMPARE(f.Help()->ShownPlace().anchor, QStringLiteral("the-potentiometer"));
    }

    // A message that the guide explains has a Help button, which opens its section.
    void helpButtonOfAMessage()
    {
        CFrame f;
        QVERIFY(f.Start());
        f.dialogs->helpAnswers = {false, true};
        f.frame->ShowError(RESULT_NO_PORT);
        QCOMPARE(f.dialogs->helpOffered, QStringList{TheLanguageManager().Text(RESULT_NO_PORT)});
        QVERIFY(!f.Help());
        f.frame->ShowError(RESULT_VERIFY_MISMATCH);
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->ShownPlace().page, QStringLiteral("troubleshooting.md"));
        QCOMPARE(f.Help()->ShownPlace().anchor, QStringLiteral("460-the-relay-holds-a-different-program"));

        // Without the guide the message has no Help button.
        QTemporaryDir empty;
        qputenv("QUORVEX_DATA_DIR", empty.path().toUtf8());
        f.dialogs->ClearLog();
        f.frame->ShowError(RESULT_TIMEOUT);
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(f.dialogs->helpOffered.isEmpty());
    }

    // The example opens as a new, untitled, unmodified program; its file is only read, and
    // Save asks for a name.
    void newFromExample_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("startModel");
        QTest::newRow("same model") << "staircase-light" << 0;
        QTest::newRow("other model") << "star-delta" << 0;
        QTest::newRow("back to one channel") << "flasher" << 1;
    }
    void newFromExample()
    {
        QFETCH(QString, name);
        QFETCH(int, startModel);
        const ExampleInfo* example = FindExample(name);
        QVERIFY(example);
        const QString path = ExampleFilePath(*example);
        const QByteArray before = FileBytes(path);
        const QDateTime modified = QFileInfo(path).lastModified();

        CFrame f;
        QVERIFY(f.Start(startModel));
        f.dialogs->examples = {name};
        f.Action(ID_FILE_NEW_FROM_EXAMPLE)->trigger();
        QCOMPARE(f.dialogs->examplesAsked, 1);
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(f.Doc()->GetModelCode(), example->model);
        QCOMPARE(Image(f.Doc()), before.right(f.Doc()->GetDataSize()));
        QVERIFY(!f.frame->HasFile());
        QVERIFY(!f.Doc()->IsModified());
        QVERIFY(f.frame->Title().endsWith(TheLanguageManager().Text(Language::TEXT_UNTITLED)));
        QVERIFY(!f.frame->RecentFiles().contains(path));

        // Save asks where; the example stays as it is.
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("mine.qvp"));
        f.dialogs->savePaths = {copy};
        f.Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(f.dialogs->saveRequests.size(), 1);
        QCOMPARE(FileBytes(copy), before);
        QCOMPARE(f.frame->CurrentPath(), copy);
        QCOMPARE(FileBytes(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    // The save question comes first: Cancel keeps the changed program and shows no chooser;
    // cancelling the chooser changes nothing.
    void newFromExampleAsksToSaveFirst()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        f.Pane()->SelectStep(4, 0);
        auto* dialog = f.Pane()->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(IDD_QVR_TIME_TIME));
        auto* unit = dialog ? qobject_cast<QComboBox*>(dialog->Control(IDC_TIME_UNIT)) : nullptr;
        QVERIFY(unit);
        unit->setCurrentIndex(3);
        Q_EMIT unit->activated(3);
        QVERIFY(f.Doc()->IsModified());
        const QByteArray edited = Image(f.Doc());

        f.dialogs->answers = {CFrameDialogs::Cancel};
        f.dialogs->examples = {QStringLiteral("flasher")};
        f.Action(ID_FILE_NEW_FROM_EXAMPLE)->trigger();
        QCOMPARE(f.dialogs->questions.size(), 1);
        QCOMPARE(f.dialogs->examplesAsked, 0);
        QCOMPARE(Image(f.Doc()), edited);

        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->examples = {QString()};
        f.Action(ID_FILE_NEW_FROM_EXAMPLE)->trigger();
        QCOMPARE(f.dialogs->examplesAsked, 1);
        QCOMPARE(Image(f.Doc()), edited);
    }

    // An installation without the example files: the chooser is not shown, the user is told
    // where the examples should be, and the program is as it was.
    void examplesMissing()
    {
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath(QStringLiteral("examples"))));
        // One example damaged, the others missing.
        QFile broken(data.filePath(QStringLiteral("examples/flasher.qvp")));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a program") > 0);
        broken.close();
        qputenv("QUORVEX_DATA_DIR", data.path().toUtf8());
        CFrame f;
        QVERIFY(f.Start(0));
        const QByteArray program = Image(f.Doc());
        f.Action(ID_FILE_NEW_FROM_EXAMPLE)->trigger();
        QCOMPARE(f.dialogs->examplesAsked, 0);
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(f.dialogs->errors.first().contains(QDir::toNativeSeparators(data.filePath(QStringLiteral("examples")))));
        // Asked for by name, the damaged one is reported with its file.
        f.dialogs->ClearLog();
        QVERIFY(!f.frame->OpenExample(QStringLiteral("flasher")));
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(f.dialogs->errors.first().contains(QDir::toNativeSeparators(broken.fileName())));
        QCOMPARE(Image(f.Doc()), program);
    }

    // The chooser: every example listed with its title, a picture of the steps it uses (not
    // the whole chain), its description; an example whose file is missing is listed but
    // cannot be opened.
    void chooser()
    {
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath(QStringLiteral("examples"))));
        for (const ExampleInfo& example : Examples())
            if (QLatin1String(example.name) != QLatin1String("off-delay"))
                QVERIFY(QFile::copy(ExampleFilePath(example), data.filePath(QStringLiteral("examples/%1.qvp")
                                                                              .arg(QLatin1String(example.name)))));
        qputenv("QUORVEX_DATA_DIR", data.path().toUtf8());
        CExampleChooser chooser;
        chooser.resize(1000, 600);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        QCOMPARE(chooser.List()->count(), int(Examples().size()));
        QCOMPARE(chooser.AvailableCount(), int(Examples().size()) - 1);
        for (int row = 0; row < chooser.List()->count(); ++row) {
            const ExampleInfo& example = Examples()[std::size_t(row)];
            chooser.Select(row);
            QCOMPARE(chooser.List()->item(row)->text(), TheLanguageManager().Text(example.titleTextId));
            const bool present = QLatin1String(example.name) != QLatin1String("off-delay");
            QCOMPARE(chooser.OpenButton()->isEnabled(), present);
            QCOMPARE(chooser.ChosenExample(), present ? QString::fromLatin1(example.name) : QString());
            if (!present) {
                QVERIFY(chooser.Description()->text().contains(QStringLiteral("off-delay.qvp")));
                continue;
            }
            QCOMPARE(chooser.Description()->text(), TheLanguageManager().Text(example.descriptionTextId));
            const QPixmap picture = chooser.Picture()->pixmap();
            QVERIFY(!picture.isNull());
            QVERIFY(picture.width() <= chooser.Picture()->width());
        }
        // The picture of the used steps is narrower than the whole chain.
        std::unique_ptr<CQuorvexDoc> doc;
        QCOMPARE(LoadExample(*FindExample(QStringLiteral("impulse-relay")), &doc), 0);
        const QImage used = UsedStepsPicture(*doc, 100, TheLanguageManager());
        std::unique_ptr<CQuorvexDoc> whole = CreateDocument(MODEL_QVR_K115_ZQX);
        whole->ResetProgram(0);
        whole->GetData()[whole->GetDataSize() - 1] ^= 0x40; // step 35 differs
        QVERIFY(!used.isNull());
        QVERIFY(used.width() * 3 < UsedStepsPicture(*whole, 100, TheLanguageManager()).width());
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
