// The registry view over the shared INI file: defaults for missing or unreadable values,
// text forms of integers and Booleans, values that survive any text, and a store that
// cannot be written changing nothing.
#include "common/RegistryIni.h"
#include "tests/fixtures/Fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Stend = QStringLiteral("SoftWare\\TK710 v2.0\\confStend");
} // namespace

class TstRegistryIni : public QObject
{
    Q_OBJECT
private slots:
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();
    void valuesRoundTripAnyText();
    void namesAndTextsSurviveRewrites_data();
    void namesAndTextsSurviveRewrites();
    void fileKeepsTheFormEarlierVersionsWrote();
    void keyWrittenTwiceReadsAsOne();
    void bothProgramsSeeEachOthersWrites();
    void missingFileReadsDefaultsAndIsMadeOnFirstWrite();
    void readOnlyFileIsNeitherChangedNorReplaced();
    void handEditedFileWithJunkLines();
    void environmentOverridesThePath();
};

void TstRegistryIni::readInteger_data()
{
    QTest::addColumn<QString>("stored"); // "<missing>" for no value
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << "<missing>" << 6;
    QTest::newRow("number") << "12" << 12;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("letters") << "abc" << 6;
    QTest::newRow("empty") << "" << 6;
    QTest::newRow("trailing text") << "5x" << 6;
    QTest::newRow("leading blanks") << "  5" << 5;
    QTest::newRow("fraction") << "1.5" << 6;
    QTest::newRow("too large") << "99999999999" << 6;
}

void TstRegistryIni::readInteger()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    fixtures::TempRegistry reg;
    if (stored != "<missing>")
        QVERIFY(reg.registry().writeString(Stend, "countCH", stored));
    QCOMPARE(reg.registry().readInteger(Stend, "countCH", 6), expected);
}

void TstRegistryIni::readBool_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");
    QTest::newRow("missing, default true") << "<missing>" << true << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("1") << "1" << false << true;
    QTest::newRow("any non-zero number") << "5" << false << true;
    QTest::newRow("not a number keeps the default") << "yes" << true << true;
}

void TstRegistryIni::readBool()
{
    QFETCH(QString, stored);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    fixtures::TempRegistry reg;
    if (stored != "<missing>")
        QVERIFY(reg.registry().writeString(Stend, "useST1", stored));
    QCOMPARE(reg.registry().readBool(Stend, "useST1", def), expected);
}

void TstRegistryIni::valuesRoundTripAnyText()
{
    fixtures::TempRegistry reg;
    RegistryIni &r = reg.registry();
    const QString security = "SoftWare\\TK710 v2.0\\Security";
    QVERIFY(r.writeBool(Stend, "useST1", true));
    QVERIFY(r.writeBool(Stend, "useST2", false));
    QVERIFY(r.writeInteger(Stend, "countStend", 10));
    QVERIFY(r.writeString(security, "Оператор = 1", "C:\\Bench\\x\nвторая строка"));
    QVERIFY(r.writeString(security, "User", ""));

    const auto again = RegistryIni::openFile(reg.path());
    QCOMPARE(again->readString(Stend, "useST1", "?"), QString("1"));
    QCOMPARE(again->readString(Stend, "useST2", "?"), QString("0"));
    QCOMPARE(again->readString(Stend, "countStend", "?"), QString("10"));
    QCOMPARE(again->readString(security, "Оператор = 1", "?"), QString("C:\\Bench\\x\nвторая строка"));
    QVERIFY(again->valueExists(security, "User"));
    QCOMPARE(again->readString(security, "User", "?"), QString(""));
    QCOMPARE(again->readSection(security), (QStringList{"Оператор = 1", "User"}));
    // Registry names do not depend on letter case.
    QCOMPARE(again->readString("software\\tk710 v2.0\\CONFSTEND", "COUNTSTEND", "?"), QString("10"));
    QVERIFY(r.writeString(Stend, "COUNTstend", "4"));
    QCOMPARE(again->readSection(Stend), (QStringList{"useST1", "useST2", "countStend"}));
    QCOMPARE(again->readInteger(Stend, "countStend", 0), 4);

    QVERIFY(r.deleteKey(security, "User"));
    QVERIFY(!again->valueExists(security, "User"));
    QCOMPARE(again->readSectionValues(security).size(), 1);
}

void TstRegistryIni::namesAndTextsSurviveRewrites_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    // User names of the database program are value names: any text a user types.
    QTest::newRow("comment mark ;") << ";admin" << "1";
    QTest::newRow("comment mark #") << "#1 operator" << "2";
    QTest::newRow("section bracket") << "[lab]" << "3";
    QTest::newRow("bracket line") << "[a" << "b]";
    QTest::newRow("equals sign") << "a=b" << "=c=";
    QTest::newRow("backslashes") << "\\\\server\\share\\" << "C:\\TK710\\";
    QTest::newRow("escape look-alike") << "\\n" << "\\r\\n";
    QTest::newRow("line breaks") << "two\nlines" << "first\r\nsecond\n";
    QTest::newRow("spaces around") << "  Иванов  " << "  пароль ";
    QTest::newRow("only spaces") << " " << "   ";
    QTest::newRow("empty name") << "" << "";
    QTest::newRow("Cyrillic") << "Петров" << "Поверитель";
}

void TstRegistryIni::namesAndTextsSurviveRewrites()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    const QString security = "SoftWare\\TK710 v2.0\\Security";
    fixtures::TempRegistry reg;
    QVERIFY(reg.registry().writeString(security, "before", "x"));
    QVERIFY(reg.registry().writeString(security, name, value));
    QVERIFY(reg.registry().writeString(security, "after", "y"));

    const QList<QPair<QString, QString>> expected{{"before", "x"}, {name, value}, {"after", "y"}};
    QCOMPARE(RegistryIni::openFile(reg.path())->readSectionValues(security), expected);
    // Another program's store rewrites the whole file from what it read.
    QVERIFY(RegistryIni::openFile(reg.path())->writeString(Stend, "ComNo", "2"));
    const auto again = RegistryIni::openFile(reg.path());
    QCOMPARE(again->readSectionValues(security), expected);
    QCOMPARE(again->readString(security, name, "?"), value);
}

void TstRegistryIni::fileKeepsTheFormEarlierVersionsWrote()
{
    fixtures::TempRegistry reg;
    QVERIFY(reg.registry().writeStrings(Stend, {{"ComPort", "Имитатор установки"}, {"Путь", "C:\\TK710"}}));
    QCOMPARE(fixtures::fileBytes(reg.path()),
             QString("[SoftWare\\TK710 v2.0\\confStend]\nComPort=Имитатор установки\nПуть=C:\\\\TK710\n\n").toUtf8());
}

void TstRegistryIni::keyWrittenTwiceReadsAsOne()
{
    fixtures::TempRegistry reg;
    QFile f(reg.path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF[SoftWare\\TK710 v2.0\\confStend]\n"
            "\n[software\\tk710 v2.0\\CONFSTEND]\ncountCH=8\ncountStend=4\n"
            "[SoftWare\\TK710 v2.0\\confStend]\nCOUNTCH=12\n");
    f.close();
    const QList<QPair<QString, QString>> expected{{"countCH", "12"}, {"countStend", "4"}};
    QCOMPARE(reg.registry().readSectionValues(Stend), expected);
    QVERIFY(reg.registry().writeString("SoftWare\\TK710 v2.0\\confSens", "sens", "1"));
    QCOMPARE(RegistryIni::openFile(reg.path())->readSectionValues(Stend), expected);
    QVERIFY(reg.registry().writeString(Stend, "countch", "6"));
    QCOMPARE(RegistryIni::openFile(reg.path())->readString(Stend, "countCH", "?"), QString("6"));
    QCOMPARE(fixtures::fileBytes(reg.path()).count("countCH"), 1);
}

void TstRegistryIni::bothProgramsSeeEachOthersWrites()
{
    fixtures::TempRegistry reg;
    const auto controller = RegistryIni::openFile(reg.path());
    const auto database = RegistryIni::openFile(reg.path());
    const QString ust = "SoftWare\\TK710 v2.0\\confUst";
    QVERIFY(controller->writeString(ust, "enumProt", "41"));
    QCOMPARE(database->readString(ust, "enumProt", "0"), QString("41"));
    QVERIFY(database->writeString(ust, "enumProt", "42"));
    QVERIFY(controller->writeString(Stend, "ComNo", "2"));
    QCOMPARE(controller->readString(ust, "enumProt", "0"), QString("42"));
    QCOMPARE(database->readString(Stend, "ComNo", "0"), QString("2"));
}

void TstRegistryIni::missingFileReadsDefaultsAndIsMadeOnFirstWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/folder/registry.ini");
    const auto r = RegistryIni::openFile(path);
    QCOMPARE(r->readInteger(Stend, "countStend", 3), 3);
    QCOMPARE(r->readSection(Stend), QStringList());
    QVERIFY(!QFile::exists(path));
    QVERIFY(r->writeInteger(Stend, "countStend", 5));
    QCOMPARE(r->readInteger(Stend, "countStend", 3), 5);
}

void TstRegistryIni::readOnlyFileIsNeitherChangedNorReplaced()
{
    fixtures::TempRegistry reg;
    QVERIFY(reg.registry().writeString(Stend, "ComNo", "1"));
    const QByteArray before = fixtures::fileBytes(reg.path());
    QVERIFY(QFile::setPermissions(reg.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(reg.registry().writeString(Stend, "ComNo", "1")); // the same value: nothing to write
    QVERIFY(!reg.registry().writeString(Stend, "ComNo", "2"));
    QVERIFY(reg.registry().lastError().contains(reg.path()));
    QCOMPARE(fixtures::fileBytes(reg.path()), before);
    QCOMPARE(reg.registry().readString(Stend, "ComNo", "?"), QString("1"));
    QFile::setPermissions(reg.path(), QFile::ReadOwner | QFile::WriteOwner);
}

void TstRegistryIni::handEditedFileWithJunkLines()
{
    fixtures::TempRegistry reg;
    QFile f(reg.path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("orphan=1\n; comment\n[SoftWare\\TK710 v2.0\\confStend]\r\ncountCH=abc\r\nno separator\r\ncountStend=4\r\n");
    f.close();
    QCOMPARE(reg.registry().readInteger(Stend, "countCH", 6), 6);
    QCOMPARE(reg.registry().readInteger(Stend, "countStend", 3), 4);
    QCOMPARE(reg.registry().readSection(Stend), (QStringList{"countCH", "countStend"}));
}

void TstRegistryIni::environmentOverridesThePath()
{
    fixtures::TempRegistry reg; // sets TK710_REGISTRY_FILE
    QCOMPARE(RegistryIni::defaultFilePath(), reg.path());
    QVERIFY(RegistryIni::open()->writeString(Stend, "test", "7"));
    QCOMPARE(reg.registry().readString(Stend, "test", "0"), QString("7"));
}

QTEST_GUILESS_MAIN(TstRegistryIni)
#include "tst_registryini.moc"
