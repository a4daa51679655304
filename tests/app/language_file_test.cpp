// Language file parsing and each accessor's edge cases, and how layouts reach a dialog.
#include <sys/stat.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialog_controls.h"
#include "language_file.h"
#include "temp_dir.h"
#include "ui_test_support.h"

using netrov::ui::LanguageFile;

class LanguageFileTest : public QObject {
    Q_OBJECT
private slots:
    void loadFailsForMissingAndEmptyFiles()
    {
        netrov::test::TempDir dir;
        LanguageFile file;
        QVERIFY(!file.Load(dir.file("missing.ini")));
        netrov::test::writeFile(dir.file("empty.ini"), "");
        QVERIFY(!file.Load(dir.file("empty.ini")));
        QVERIFY(!file.Load(dir.path().string()));
        // Neither a FIFO without writer nor an endless device holds the start-up up.
        const std::string fifo = dir.file("fifo.ini");
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!file.Load(fifo));
        QVERIFY(!file.Load("/dev/zero"));
        QVERIFY(timer.elapsed() < 1000);
        netrov::test::writeFile(dir.file("one.ini"), "[S]\r\nK=v\r\n");
        QVERIFY(file.Load(dir.file("one.ini")));
        QCOMPARE(file.text("S", "K", "x"), std::string("v"));
        // A failed load does not keep the earlier parse.
        QVERIFY(!file.Load(dir.file("missing.ini")));
        QCOMPARE(file.text("S", "K", "x"), std::string("x"));
    }

    void keyAndValueBlanks()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[S]\nKey \t = \t value with trailing  \n Lead=1\nlast=no newline"));
        QCOMPARE(file.text("S", "Key", ""), std::string("value with trailing  "));
        // Keys keep their leading blanks; lookups are exact.
        QCOMPARE(file.text("S", "Lead", "none"), std::string("none"));
        QCOMPARE(file.text("S", " Lead", "none"), std::string("1"));
        QCOMPARE(file.text("s", "Key", "none"), std::string("none"));
        QCOMPARE(file.text("S", "key", "none"), std::string("none"));
        QCOMPARE(file.text("S", "last", ""), std::string("no newline"));
    }

    void lineKinds()
    {
        LanguageFile file;
        QVERIFY(file.LoadText(";Comment=not a key\r\n[S]\r\n;K=comment\r\n[no close=yes\r\nK=v\r\n"));
        QCOMPARE(file.text("S", ";Comment", "none"), std::string("none"));
        QCOMPARE(file.text("S", ";K", "none"), std::string("none"));
        QCOMPARE(file.text("S", "[no close", "none"), std::string("yes"));
        QCOMPARE(file.text("S", "K", "none"), std::string("v"));
        // The carriage return before a line feed is dropped, nothing else.
        QVERIFY(file.LoadText("[S]\nA=x\r\r\n"));
        QCOMPARE(file.text("S", "A", ""), std::string("x\r"));
    }

    void repeatedSectionIsSearchedInTurn()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[S]\nA=1\n[T]\nB=2\n[S]\nB=3\nA=4\n"));
        QCOMPARE(file.text("S", "A", ""), std::string("1"));
        QCOMPARE(file.text("S", "B", ""), std::string("3"));
    }

    void getTextCutsAndReturnsFullLength()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[S]\nK=abcdef\n"));
        char buffer[4];
        QCOMPARE(file.GetText("S", "K", "", buffer, sizeof buffer), size_t{7});
        QCOMPARE(std::string(buffer), std::string("abc"));
        QCOMPARE(file.GetText("S", "Missing", "xy", buffer, sizeof buffer), size_t{3});
        QCOMPARE(std::string(buffer), std::string("xy"));
        QCOMPARE(file.GetText("S", "K", "", nullptr, 0), size_t{7});
    }

    void fontValues()
    {
        using netrov::ui::parseFont;
        const auto font = parseFont("\"Face, with comma\",-12,0,0,0,700,1,0,0,0,0,0,0,34");
        QVERIFY(font.has_value());
        QCOMPARE(font->face, std::string("Face, with comma"));
        QCOMPARE(font->height, -12);
        QCOMPARE(font->weight, 700);
        QCOMPARE(int(font->italic), 1);
        QCOMPARE(int(font->pitchAndFamily), 34);
        QVERIFY(parseFont("Plain,8,0,0,0,400,0,0,0,0,0,0,0,0").has_value());
        // Twelve numbers, an empty number or an unclosed quote make no font.
        QVERIFY(!parseFont("Plain,8,0,0,0,400,0,0,0,0,0,0,0").has_value());
        QVERIFY(!parseFont("Plain,8,0,0,,400,0,0,0,0,0,0,0,0").has_value());
        QVERIFY(!parseFont("\"Plain,8,0,0,0,400,0,0,0,0,0,0,0,0").has_value());
        QCOMPARE(parseFont(std::string(40, 'F') + ",8,0,0,0,400,0,0,0,0,0,0,0,0")->face.size(), size_t{31});

        LanguageFile file;
        QVERIFY(file.LoadText("[D]\nGood=Sans,-20,0,0,0,700,1,1,0,0,0,0,0,0\nBad=Sans,-20,0,0,0,700,1,1,0,0,0,0,0\n"));
        const auto qfont = file.GetFont("D", "Good");
        QVERIFY(qfont.has_value());
        QCOMPARE(qfont->pixelSize(), 20);
        QVERIFY(qfont->bold());
        QVERIFY(qfont->italic());
        QVERIFY(!file.GetFont("D", "Bad").has_value());
        QVERIFY(!file.GetFont("D", "Missing").has_value());
    }

    void hugeLayoutNumbersStayBounded()
    {
        const auto placement = netrov::ui::parsePlacement("Text,99999999999,-99999999999,2147483647,1");
        QVERIFY(placement.has_value());
        QCOMPARE(placement->x, 2147483647);
        QCOMPARE(placement->y, -2147483647);
        netrov::ui::DialogUnits units;
        units.screenWidth = 1920;
        units.screenHeight = 1080;
        const QRect rect = units.toRect(placement->x, placement->y, placement->cx, placement->cy);
        QCOMPARE(rect.left(), 1920);
        QCOMPARE(rect.top(), -1080);
        QCOMPARE(rect.width(), 0);
        // Sizes never exceed the screen, so no widget asks for more pixels than it has.
        const QRect wide = units.toRect(0, 0, 2147483647, 2147483647);
        QCOMPARE(wide.size(), QSize(1920, 1080));

        LanguageFile file;
        QVERIFY(file.LoadText("[D]\nID_TITLE=Huge,0,0,2147483647,2147483647\nIDC=Huge,0,0,2147483647,2147483647\n"));
        QDialog dialog;
        QLabel label(&dialog);
        QVERIFY(file.ApplyDialog(&dialog, "D", "ID_TITLE", nullptr, units));
        QVERIFY(file.ApplyControl(&label, "D", "IDC", nullptr, units));
        QVERIFY(dialog.maximumWidth() <= 1920 && dialog.maximumHeight() <= 1080);
        QVERIFY(label.width() <= 1920 && label.height() <= 1080);
        // The real screen bounds the units the program uses.
        const netrov::ui::DialogUnits screen = netrov::ui::dialogUnits(dialog.font());
        QVERIFY(screen.toX(2147483647) <= screen.screenWidth);
    }

    void textAndNumber()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[C]\nA=Model,150\nB=\"Quoted, text\",20\nC=No number,\nD=Only text\n"));
        QCOMPARE(file.GetTextAndNumber("C", "A")->first, std::string("Model"));
        QCOMPARE(file.GetTextAndNumber("C", "A")->second, 150);
        QCOMPARE(file.GetTextAndNumber("C", "B")->first, std::string("Quoted, text"));
        QVERIFY(!file.GetTextAndNumber("C", "C").has_value());
        QVERIFY(!file.GetTextAndNumber("C", "D").has_value());
        QVERIFY(!file.GetTextAndNumber("C", "E").has_value());
    }

    void stringAndTipTables()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[Message]\nIDS_STR_READY=Bereit\nIDS_STR_ERROR=\n[MessageTip]\nIDM_MENU_SEARCH=Find\n"));
        file.LoadStringTable(netrov::ui::stringTableEntries());
        file.LoadTipTable(netrov::ui::tipTableEntries());
        QCOMPARE(file.String(netrov::ui::IDS_STR_READY), std::string("Bereit"));
        // Empty or missing texts fall back to the built-in strings, dots included.
        QCOMPARE(file.String(netrov::ui::IDS_STR_ERROR), std::string("..Error"));
        QCOMPARE(file.String(netrov::ui::IDS_STR_WAITFOR), std::string("..Canceling search..."));
        QCOMPARE(file.String(netrov::ui::IDS_STR_POWER_OFF), std::string(""));
        QCOMPARE(file.String(4711), std::string(""));
        QCOMPARE(*file.Tip(netrov::ui::IDM_MENU_SEARCH), std::string("Find"));
        QCOMPARE(*file.Tip(netrov::ui::ID_APP_ABOUT), std::string(""));
        QVERIFY(!file.Tip(netrov::ui::ID_APP_EXIT).has_value());
        QCOMPARE(netrov::ui::stringTableEntries().size(), size_t{27});
        QCOMPARE(netrov::ui::tipTableEntries().size(), size_t{5});
    }

    void longTableTextIsCutTo255()
    {
        LanguageFile file;
        QVERIFY(file.LoadText("[Message]\nIDS_STR_READY=" + std::string(300, 'r') + "\n"));
        file.LoadStringTable(netrov::ui::stringTableEntries());
        QCOMPARE(file.String(netrov::ui::IDS_STR_READY).size(), size_t{255});
    }

    void dialogTakesLanguageLayoutOrKeepsItsOwn()
    {
        using namespace netrov::ui;
        static constexpr ControlTemplate controls[] = {
            {10, "IDC_ONE", 10, 10, 40, 10, "..One"},
            {11, "IDC_TWO", 10, 30, 40, 10, "..Two"},
        };
        static constexpr DialogTemplate layout{1, "IDD_TEST", "..Test", 100, 60, controls};
        LanguageFile file;
        QVERIFY(file.LoadText("[IDD_TEST]\nID_FONT=Sans,-20,0,0,0,400,0,0,0,0,0,0,0\n"
                              "ID_TITLE=Tested,0,0,200,120\nIDC_ONE=\"Uno, first\",20,20,80,10\nIDC_TWO=Due,1,2,3\n"));
        QDialog dialog;
        auto* one = new QLabel(&dialog);
        auto* two = new QPushButton(&dialog);
        const QFont before = two->font();
        applyDialogTemplate(&dialog, layout, {{10, one}, {11, two}}, &file);
        const DialogUnits units = dialogUnits(dialog.font());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tested"));
        QCOMPARE(dialog.size(), QSize(units.toX(200), units.toY(120)));
        QCOMPARE(one->text(), QStringLiteral("Uno, first"));
        QCOMPARE(one->geometry(), QRect(units.toX(20), units.toY(20), units.toX(100) - units.toX(20),
                                        units.toY(30) - units.toY(20)));
        // An incomplete value leaves the control as the built-in layout made it,
        // and a font with a missing number is not applied.
        QCOMPARE(two->text(), QStringLiteral("..Two"));
        QCOMPARE(two->geometry().top(), units.toY(30));
        QCOMPARE(two->font().pixelSize(), before.pixelSize());

        QDialog plain;
        auto* label = new QLabel(&plain);
        applyDialogTemplate(&plain, layout, {{10, label}}, nullptr);
        QCOMPARE(plain.windowTitle(), QStringLiteral("..Test"));
        QCOMPARE(label->text(), QStringLiteral("..One"));
    }

    void installedLanguageFileHasEveryKeyTheProgramReads()
    {
        const LanguageFile& file = netrov::test::englishLanguage();
        for (const auto& entry : netrov::ui::stringTableEntries())
            QVERIFY2(file.value(entry.section, entry.key).has_value(), entry.key);
        for (const auto& entry : netrov::ui::tipTableEntries())
            QVERIFY2(file.value(entry.section, entry.key).has_value(), entry.key);
        for (const char* section : {"IDD_SEARCHSETTING", "IDD_SEARCHING", "IDD_ABOUT", "IDD_CUSTOMIZE"}) {
            QVERIFY2(file.GetFont(section, "ID_FONT").has_value(), section);
            QVERIFY2(netrov::ui::parsePlacement(file.text(section, "ID_TITLE", "")).has_value(), section);
        }
        for (const char* key : {"IDC_LISTB_MODEL", "IDC_LISTB_DEVICE", "IDC_LISTB_LOCATION", "IDC_LISTB_INTERFACE",
                                "IDC_LISTB_IPADDRESS", "IDC_LISTB_MACADDRESS", "IDC_LISTB_STATUS"})
            QVERIFY2(file.GetTextAndNumber("IDR_MAINFRAME", key).has_value(), key);
        for (const char* key : {"IDM_MENU_POPUPDEVICE", "IDM_MENU_POPUPVIEW", "IDM_MENU_POPUPOPTION",
                                "IDM_MENU_POPUPHELP", "IDM_MENU_POPUPTOOLBER", "IDM_MENU_SEARCH", "IDM_MENU_REFRESH",
                                "ID_APP_EXIT", "IDM_MENU_SEARCHSETTING", "IDM_MENU_CUSTOMIZE",
                                "IDM_MENU_TOOLBARSMALL", "IDM_MENU_TOOLBARLARGE", "IDM_MENU_TOOLBARHIDE",
                                "ID_APP_ABOUT", "IDM_MENU_HELP"})
            QVERIFY2(!file.text("IDR_MAINFRAME", key, "").empty(), key);
        QVERIFY(file.value("Main", "Version").has_value());
        // No text of the installation carries the built-in marker.
        for (const auto& entry : netrov::ui::stringTableEntries())
            QVERIFY2(file.String(entry.id).rfind("..", 0) != 0, entry.key);
    }
};

NETROV_REGISTER_TEST(LanguageFileTest);

#include "language_file_test.moc"
