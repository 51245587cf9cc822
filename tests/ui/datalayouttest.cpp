// The files that Preview and Help open lie where the wizard looks for them, beside the program, both in the build
// tree and in a copy installed with cmake --install; the installed program starts from the menu.

#include "engine/encrypthtml.h"
#include "ui/mainoptions.h"
#include "uikit/strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

namespace
{
    // The folder the program would find itself in: links resolved, as the system reports the running program.
    QString ProgramFolderOf(const QString& program)
    {
        const QFileInfo resolved(QFileInfo(program).canonicalFilePath());
        return PageOptions::ProgramFolder(QDir::toNativeSeparators(resolved.absolutePath()));
    }
} // namespace

class DataLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void dataBesideTheProgram_data();
    void dataBesideTheProgram();
    void installedMenuEntry();
};

void DataLayoutTest::dataBesideTheProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("build tree") << QString::fromLocal8Bit(qgetenv("QUILLGATE_BUILT_PROGRAM"));
    QTest::newRow("installed, started from bin")
        << QString::fromLocal8Bit(qgetenv("QUILLGATE_INSTALLED_PREFIX")) + QStringLiteral("/bin/quillgate");
}

void DataLayoutTest::dataBesideTheProgram()
{
    QFETCH(QString, program);
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    const QString folder = ProgramFolderOf(program);

    QStringList missing;
    for (int encryption = -1; encryption < PageOptions::EncryptionCaptions().size(); ++encryption) {
        for (int colour = -1; colour < 4; ++colour) {
            for (int type : {Encrypthtml::SinglePassword, Encrypthtml::UserPassword}) {
                const QString sample = PageOptions::SamplePagePath(folder, colour, type, encryption);
                if (!QFileInfo(sample).isFile()) {
                    missing.append(sample);
                }
            }
        }
    }
    const QString help = PageOptions::DataPath(folder, Strings::LoadStr(108));
    QVERIFY2(QFileInfo(help).isFile(), qPrintable(help));

    // Every page of the help reaches the others and its style sheet.
    const QDir helpDir = QFileInfo(help).dir();
    const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)(?:#[^\"]*)?\""));
    for (const QString& page : helpDir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile file(helpDir.filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = link.globalMatch(text); match.hasNext();) {
            const QString target = match.next().captured(1);
            if (!QFileInfo(helpDir.filePath(target)).isFile()) {
                missing.append(page + QStringLiteral(" -> ") + target);
            }
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing: ") + missing.join(QStringLiteral(", "))));
}

void DataLayoutTest::installedMenuEntry()
{
    const QString prefix = QString::fromLocal8Bit(qgetenv("QUILLGATE_INSTALLED_PREFIX"));
    const QString entryPath = prefix + QStringLiteral("/share/applications/quillgate.desktop");
    QVERIFY2(QFileInfo(entryPath).isFile(), qPrintable(entryPath));
    QSettings entry(entryPath, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString command = entry.value(QStringLiteral("Exec")).toString();
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    QVERIFY(QFileInfo(prefix + QStringLiteral("/bin/") + command).isExecutable());
    QVERIFY(QFileInfo(prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/") + icon + QStringLiteral(".svg"))
                .isFile());
}

QTEST_GUILESS_MAIN(DataLayoutTest)

#include "datalayouttest.moc"
