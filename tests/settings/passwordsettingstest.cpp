// The password rules that the password page, the user dialog and batch creation share.

#include "settings/passwordsettings.h"

#include <QTest>

class PasswordSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void trimmed_data();
    void trimmed();
    void lengthBounds_data();
    void lengthBounds();
    void engineBytes();
};

void PasswordSettingsTest::trimmed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // The trim rule's cases are in the engine's test (TextBytes::Trimmed); these show the Qt text takes it.
    QTest::newRow("Blanks around go, blanks inside stay") << "  two words\t"
                                                          << "two words";
    QTest::newRow("Characters beyond Latin-1 stay")
        << QString::fromUtf16(u"\u20acx\u00a0") << QString::fromUtf16(u"\u20acx\u00a0");
}

void PasswordSettingsTest::trimmed()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(PasswordSettings::Trimmed(text), expected);
}

void PasswordSettingsTest::lengthBounds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    // The bounds' cases are in the engine's test (TextBytes::IsPasswordLengthValid); these show the length is
    // counted after trimming.
    QTest::newRow("5 between blanks") << "  " + QString(5, 'x') + "  " << false;
    QTest::newRow("25 between blanks") << " " + QString(25, 'x') + " " << true;
}

void PasswordSettingsTest::lengthBounds()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(PasswordSettings::IsLengthValid(text), valid);
}

void PasswordSettingsTest::engineBytes()
{
    // Each UTF-16 unit modulo 256, as the page script reads a typed password.
    QCOMPARE(PasswordSettings::ToEngineBytes(QStringLiteral("pvkmsto")), std::string("pvkmsto"));
    QCOMPARE(PasswordSettings::ToEngineBytes(QString::fromUtf16(u"\u00e9\u20ac")), std::string("\xe9\xac"));
    QCOMPARE(PasswordSettings::ToEngineBytes(QString()), std::string());
}

QTEST_GUILESS_MAIN(PasswordSettingsTest)
#include "passwordsettingstest.moc"
