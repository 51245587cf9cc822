// The file list page of the wizard: adding files and folders, removing rows, saving and loading list files,
// and that a failed save or load loses nothing.

#include "engine/encrypthtml.h"
#include "jobs/addfolder.h"
#include "jobs/filerow.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/modalhelper.h"
#include "ui/main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

class MainFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addFilesSortsAndKeepsTheFirstSpelling();
    void addFilesCancelledChangesNothing();
    void rowsShowNameFolderAndSize();
    void deleteRemovesExactlyTheSelectedRows();
    void deleteWithoutSelectionAndDeleteAllOnEmptyChangeNothing();
    void deleteAllEmptiesListAndView();
    void addFolderScansOnOkOnly();
    void pagesDifferingOnlyInLetterCaseAreBothListed();
    void linksInAFolderAreLeftButAnAddedLinkLocksItsTarget();
    void namesThatAreNotTextAreCountedInAWarning();
    void droppedFilesAndFoldersAddTheirPages();
    void saveWritesOnePathPerLineWithCrLf();
    void loadReadsEveryLineRule_data();
    void loadReadsEveryLineRule();
    void saveThenLoadGivesTheSameList();
    void failedSaveKeepsThePreviousFile_data();
    void failedSaveKeepsThePreviousFile();
    void failedLoadKeepsTheList_data();
    void failedLoadKeepsTheList();

private:
    // Adds folder through the add-folder dialog, with its subfolders.
    void addFolder(const QString& folder);
    // A file whose name is the given bytes (not always text), in the temporary folder.
    QByteArray makeRawFile(const QByteArray& relative) const;
    QString makePage(const QString& name, int bytes = 10) const;
    QString writeBytes(const QString& name, const QByteArray& bytes) const;
    static QByteArray BytesOf(const QString& path);
    // Row i of the view shows entry i of the list, and both have the same count.
    void verifyViewMirrorsList() const;
    QStringList rowNames() const;

    std::unique_ptr<FakePrompts> m_prompts;
    TFormMain* m_window = nullptr;
    QTreeWidget* m_view = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void MainFilesTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = std::make_unique<FakePrompts>();
    m_window = new TFormMain;
    FormMain = m_window;
    FormAddFolder = new TFormAddFolder(m_window);
    m_view = m_window->LvwFileList;
}

void MainFilesTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
    FormMain = nullptr;
    FormAddFolder = nullptr;
    m_prompts.reset();
    m_dir.reset();
}

QString MainFilesTest::makePage(const QString& name, int bytes) const
{
    return writeBytes(name, QByteArray(bytes, 'x'));
}

QString MainFilesTest::writeBytes(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

QByteArray MainFilesTest::BytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void MainFilesTest::verifyViewMirrorsList() const
{
    QCOMPARE(m_view->topLevelItemCount(), m_window->FileList.count());
    for (int i = 0; i < m_view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_view->topLevelItem(i);
        QCOMPARE(FileRow::Join(row->text(1), row->text(0)), m_window->FileList.at(i));
    }
}

QStringList MainFilesTest::rowNames() const
{
    QStringList names;
    for (int i = 0; i < m_view->topLevelItemCount(); ++i) {
        names.append(m_view->topLevelItem(i)->text(0));
    }
    return names;
}

void MainFilesTest::addFolder(const QString& folder)
{
    WhenModal<TFormAddFolder> ok([&folder](TFormAddFolder* dialog) {
        dialog->CmbFolder->setEditText(folder);
        dialog->ChkIncludeSubFolder->setChecked(true);
        dialog->BtnOK->click();
    });
    m_window->TbnAddFolder->click();
    QVERIFY(ok.seen());
}

QByteArray MainFilesTest::makeRawFile(const QByteArray& relative) const
{
    const QByteArray path = QFile::encodeName(m_dir->path()) + '/' + relative;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ::write(fd, "<p>x</p>", 8) != 8 || ::close(fd) != 0) {
        qFatal("cannot write %s", path.constData());
    }
    return path;
}

void MainFilesTest::addFilesSortsAndKeepsTheFirstSpelling()
{
    const QString index = makePage("Index.htm");
    const QString about = makePage("about.htm");
    // The same file under a name in other letter case.
    QVERIFY(QFile::link(index, m_dir->filePath("INDEX.HTM")));
    m_prompts->openFileAnswers = {{index}, {about, m_dir->filePath("INDEX.HTM")}};
    m_window->TbnAddFile->click();
    m_window->TbnAddFile->click();
    QCOMPARE(m_window->FileList.paths(), QStringList({about, index}));
    QCOMPARE(rowNames(), QStringList({"about.htm", "Index.htm"}));
    verifyViewMirrorsList();
}

void MainFilesTest::addFilesCancelledChangesNothing()
{
    m_window->FileList.add(makePage("a.htm"));
    m_window->rebuildFileListView();
    m_window->TbnAddFile->click();
    QCOMPARE(m_window->FileList.count(), 1);
    verifyViewMirrorsList();
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainFilesTest::rowsShowNameFolderAndSize()
{
    m_prompts->openFileAnswers = {{makePage("a.htm", 999), makePage("b.htm", 1000), makePage("sub/c.htm", 1999)}};
    m_window->TbnAddFile->click();
    // A file that goes away keeps its row, shown as 0KB at the next rebuild.
    m_window->FileList.add(m_dir->filePath("gone.htm"));
    m_window->rebuildFileListView();
    const QString folder = m_dir->path();
    const QList<QStringList> expected = {{"a.htm", folder, "0KB"},
                                         {"b.htm", folder, "1KB"},
                                         {"gone.htm", folder, "0KB"},
                                         {"c.htm", folder + "/sub", "1KB"}};
    QCOMPARE(m_view->topLevelItemCount(), int(expected.size()));
    for (int i = 0; i < int(expected.size()); ++i) {
        const QTreeWidgetItem* row = m_view->topLevelItem(i);
        QCOMPARE((QStringList{row->text(0), row->text(1), row->text(2)}), expected[i]);
    }
}

void MainFilesTest::deleteRemovesExactlyTheSelectedRows()
{
    QStringList pages;
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm", "e.htm"}) {
        pages.append(makePage(QString::fromLatin1(name)));
    }
    m_window->FileList.addAll(pages);
    m_window->rebuildFileListView();
    for (int row : {3, 0, 1}) {
        m_view->topLevelItem(row)->setSelected(true);
    }
    m_window->TbnDelFile->click();
    QCOMPARE(m_window->FileList.paths(), QStringList({pages[2], pages[4]}));
    QCOMPARE(rowNames(), QStringList({"c.htm", "e.htm"}));
    QVERIFY(m_view->selectedItems().isEmpty());
    verifyViewMirrorsList();

    // The rows left behave like any others.
    m_view->topLevelItem(1)->setSelected(true);
    m_window->TbnDelFile->click();
    QCOMPARE(m_window->FileList.paths(), QStringList({pages[2]}));
    verifyViewMirrorsList();
}

void MainFilesTest::deleteWithoutSelectionAndDeleteAllOnEmptyChangeNothing()
{
    m_window->FileList.addAll({makePage("a.htm"), makePage("b.htm")});
    m_window->rebuildFileListView();
    m_view->clearSelection();
    m_window->TbnDelFile->click();
    QCOMPARE(m_window->FileList.count(), 2);
    verifyViewMirrorsList();

    m_window->TbnDelAll->click();
    m_window->TbnDelAll->click();
    m_window->TbnDelFile->click();
    QCOMPARE(m_window->FileList.count(), 0);
    verifyViewMirrorsList();
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainFilesTest::deleteAllEmptiesListAndView()
{
    m_window->FileList.addAll({makePage("a.htm"), makePage("b.htm")});
    m_window->rebuildFileListView();
    m_window->TbnDelAll->click();
    QVERIFY(m_window->FileList.isEmpty());
    QCOMPARE(m_view->topLevelItemCount(), 0);
}

void MainFilesTest::addFolderScansOnOkOnly()
{
    const QString top = makePage("web/index.htm");
    const QString nested = makePage("web/sub/page.html");
    makePage("web/notes.txt");
    const QString folder = QFileInfo(top).path();

    WhenModal<TFormAddFolder> cancel([](TFormAddFolder* dialog) {
        dialog->BtnCancel->click();
    });
    m_window->TbnAddFolder->click();
    QVERIFY(cancel.seen());
    QVERIFY(m_window->FileList.isEmpty());

    for (int i = 0; i < 2; ++i) {
        WhenModal<TFormAddFolder> ok([&folder](TFormAddFolder* dialog) {
            dialog->CmbFolder->setEditText(folder);
            dialog->BtnOK->click();
        });
        m_window->TbnAddFolder->click();
        QVERIFY(ok.seen());
    }
    // The second add of the same folder adds nothing, and the history holds it once.
    QCOMPARE(m_window->FileList.paths(), QStringList({top, nested}));
    QCOMPARE(FormAddFolder->CmbFolder->count(), 1);
    verifyViewMirrorsList();

    WhenModal<TFormAddFolder> flat([](TFormAddFolder* dialog) {
        dialog->ChkIncludeSubFolder->setChecked(false);
        dialog->BtnOK->click();
    });
    m_window->TbnDelAll->click();
    m_window->TbnAddFolder->click();
    QVERIFY(flat.seen());
    QCOMPARE(m_window->FileList.paths(), QStringList({top}));
}

void MainFilesTest::pagesDifferingOnlyInLetterCaseAreBothListed()
{
    // Two files on a file system that tells letter case apart: both are locked, so both are listed, and the
    // list still sorts with letter case ignored.
    const QString upper = makePage("web/Index.html");
    const QString lower = makePage("web/index.html");
    const QString about = makePage("web/About.html");
    const QString zeta = makePage("web/zeta.html");
    addFolder(QFileInfo(upper).path());
    QCOMPARE(m_window->FileList.paths(), QStringList({about, upper, lower, zeta}));
    verifyViewMirrorsList();

    // Adding them again, one by one, changes nothing; removing a row removes exactly its file.
    m_prompts->openFileAnswers = {{lower, upper}};
    m_window->TbnAddFile->click();
    QCOMPARE(m_window->FileList.count(), 4);
    m_view->topLevelItem(2)->setSelected(true);
    m_window->TbnDelFile->click();
    QCOMPARE(m_window->FileList.paths(), QStringList({about, upper, zeta}));
    verifyViewMirrorsList();
}

void MainFilesTest::linksInAFolderAreLeftButAnAddedLinkLocksItsTarget()
{
    // A link inside the site that points out of it: locking it would overwrite a file the user never chose.
    const QByteArray outsideBytes = "<p>outside</p>";
    const QString outside = writeBytes("elsewhere/e.html", outsideBytes);
    const QString own = makePage("site/own.html");
    const QString link = m_dir->filePath("site/e.html");
    QVERIFY(QFile::link(outside, link));
    addFolder(QFileInfo(own).path());
    QCOMPARE(m_window->FileList.paths(), QStringList({own}));

    // A password of the site's own: Create would ask first before locking with the sample password.
    m_window->EditPassword->setText(QStringLiteral("links-pass"));
    m_window->BtnCreate->click();
    QCOMPARE(BytesOf(outside), outsideBytes);
    QVERIFY(QFileInfo(link).isSymLink());

    // Named by the user, the link is listed, and Create locks the file it points to.
    m_window->TbnDelAll->click();
    m_prompts->openFileAnswers = {{link}};
    m_window->TbnAddFile->click();
    QCOMPARE(m_window->FileList.paths(), QStringList({link}));
    m_window->BtnCreate->click();
    QVERIFY(BytesOf(outside).startsWith(
        QByteArray(Encrypthtml::LockedMarker.data(), qsizetype(Encrypthtml::LockedMarker.size()))));
    QVERIFY(QFileInfo(link).isSymLink());
}

void MainFilesTest::namesThatAreNotTextAreCountedInAWarning()
{
    // On a UTF-8 system a Latin-1 name is not text: Qt would hold it as other text, naming no file.
    QVERIFY(QDir(m_dir->path()).mkpath("web/sub"));
    const QString plain = makePage("web/caf\u00e9.html");
    makeRawFile("web/caf\xe9.html");
    makeRawFile("web/sub/\xff"
                "1.htm");
    makeRawFile("web/sub/\xff"
                "2.htm");
    makeRawFile("web/sub/\xffnotes.txt");
    const QString web = m_dir->filePath("web");
    addFolder(web);
    QCOMPARE(m_window->FileList.paths(), QStringList({plain}));
    verifyViewMirrorsList();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Warning);
    QCOMPARE(m_prompts->shown[0].text,
             QStringLiteral("1 file(s) in %1 were left out: their names are not text in the system encoding.\n"
                            "2 file(s) in %1/sub were left out: their names are not text in the system encoding.")
                 .arg(web));
}

void MainFilesTest::droppedFilesAndFoldersAddTheirPages()
{
    // Which dropped things count is the scan's matter (scanfoldertest); here: the list takes a drop.
    const QString page = makePage("one/page.htm");
    const QString text = makePage("one/notes.txt");
    const QString nested = makePage("site/deep/b.html");
    const QString top = makePage("site/a.HTML");
    const QByteArray odd = makeRawFile("caf\xe9.htm");

    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl::fromLocalFile(page),
                   QUrl::fromLocalFile(text),
                   QUrl::fromLocalFile(m_dir->filePath("site")),
                   QUrl::fromEncoded("file://" + odd.toPercentEncoding("/"))});
    QWidget* target = m_view->viewport();
    const QPoint at = target->rect().center();
    // A file manager offers a move too; the list takes a copy, so no file goes away.
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);

    QCOMPARE(m_window->FileList.paths(), QStringList({page, top, nested}));
    verifyViewMirrorsList();
    QCOMPARE(m_prompts->shownTexts(),
             QStringList({QStringLiteral("1 file(s) in %1 were left out: their names are not text in the system "
                                         "encoding.")
                              .arg(m_dir->path())}));
}

void MainFilesTest::saveWritesOnePathPerLineWithCrLf()
{
    m_window->FileList.addAll({"C:\\web\\index.html", "C:\\web\\about.htm"});
    const QString path = m_dir->filePath("jobs.lst");
    m_prompts->saveFileAnswers = {path};
    m_window->TbnSaveFileList->click();
    const QByteArray expected = "C:\\web\\about.htm\r\nC:\\web\\index.html\r\n";
    QCOMPARE(expected.size(), 37);
    QCOMPARE(BytesOf(path), expected);

    m_window->TbnDelAll->click();
    m_prompts->saveFileAnswers = {path};
    m_window->TbnSaveFileList->click();
    QCOMPARE(BytesOf(path), QByteArray());
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainFilesTest::loadReadsEveryLineRule_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("paths");
    // The line rule's cases are in the engine's test (ListLines::SplitListLines); this row shows the page takes it.
    QTest::newRow("LF and CR ends, a last line without an end")
        << QByteArray("/w/a.htm\n/w/b.htm\r/w/c.htm") << QStringList{"/w/a.htm", "/w/b.htm", "/w/c.htm"};
    QTest::newRow("a blank line gives one empty entry")
        << QByteArray("/w/a.htm\r\n\r\n/w/b.htm\r\n\r\n") << QStringList{"", "/w/a.htm", "/w/b.htm"};
    QTest::newRow("unsorted with a repeat, and other case naming other files")
        << QByteArray("/w/b.htm\r\n/W/A.htm\r\n/w/B.HTM\r\n/w/b.htm\r\n")
        << QStringList{"/W/A.htm", "/w/B.HTM", "/w/b.htm"};
    QTest::newRow("an empty file empties the list") << QByteArray() << QStringList();
}

void MainFilesTest::loadReadsEveryLineRule()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, paths);
    m_window->FileList.add(makePage("listed-before.htm"));
    m_window->rebuildFileListView();
    m_prompts->openFileAnswers = {{writeBytes("jobs.lst", bytes)}};
    m_window->TbnLoadFileList->click();
    QCOMPARE(m_window->FileList.paths(), paths);
    verifyViewMirrorsList();
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainFilesTest::saveThenLoadGivesTheSameList()
{
    m_window->FileList.addAll({makePage("b.htm"), makePage("A.htm"), makePage("sub/c.html"), ""});
    const QStringList saved = m_window->FileList.paths();
    const QString path = m_dir->filePath("round.lst");
    m_prompts->saveFileAnswers = {path};
    m_window->TbnSaveFileList->click();
    m_window->TbnDelAll->click();
    m_prompts->openFileAnswers = {{path}};
    m_window->TbnLoadFileList->click();
    QCOMPARE(m_window->FileList.paths(), saved);
    verifyViewMirrorsList();
}

void MainFilesTest::failedSaveKeepsThePreviousFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("a folder that is not there") << QStringLiteral("missing/jobs.lst") << false;
    QTest::newRow("a read-only file") << QStringLiteral("jobs.lst") << true;
}

void MainFilesTest::failedSaveKeepsThePreviousFile()
{
    QFETCH(QString, target);
    QFETCH(bool, readOnly);
    const QString path = m_dir->filePath(target);
    const QByteArray previous = "/w/previous.htm\r\n";
    if (readOnly) {
        writeBytes(target, previous);
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    }
    m_window->FileList.addAll({"/w/a.htm", "/w/b.htm"});
    m_prompts->saveFileAnswers = {path};
    m_window->TbnSaveFileList->click();

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Cannot create file ") + path + QLatin1Char('.'));
    QCOMPARE(BytesOf(path), readOnly ? previous : QByteArray("(unreadable)"));
    QCOMPARE(m_window->FileList.count(), 2);
}

void MainFilesTest::failedLoadKeepsTheList_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a file that went away") << QStringLiteral("gone.lst");
    QTest::newRow("a folder") << QStringLiteral("folder.lst");
}

void MainFilesTest::failedLoadKeepsTheList()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir("folder.lst"));
    const QStringList listed = {makePage("a.htm"), makePage("b.htm")};
    m_window->FileList.addAll(listed);
    m_window->rebuildFileListView();
    const QString path = m_dir->filePath(name);
    m_prompts->openFileAnswers = {{path}};
    m_window->TbnLoadFileList->click();

    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Cannot open file ") + path + QLatin1Char('.'));
    QCOMPARE(m_window->FileList.paths(), listed);
    verifyViewMirrorsList();
}

QTEST_MAIN(MainFilesTest)
#include "mainfilestest.moc"
