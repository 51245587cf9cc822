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
    QTest::newRow("Nothing to trim") << "pvkmsto"
                                     << "pvkmsto";
    QTest::newRow("Blanks inside stay") << "  two words\t"
                                        << "two words";
    QTest::newRow("Every code up to 32 goes") << QString::fromUtf16(u"\x01\x1f\x20x\x0d\x0a") << "x";
    QTest::newRow("Code 127 and above stay") << QString::fromUtf16(u"\x7f"
                                                                   u"x\u00a0")
                                             << QString::fromUtf16(u"\x7fx\u00a0");
    QTest::newRow("Only blanks") << " \t "
                                 << "";
    QTest::newRow("Empty") << ""
                           << "";
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
    QTest::newRow("5") << QString(5, 'x') << false;
    QTest::newRow("6") << QString(6, 'x') << true;
    QTest::newRow("25") << QString(25, 'x') << true;
    QTest::newRow("26") << QString(26, 'x') << false;
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
